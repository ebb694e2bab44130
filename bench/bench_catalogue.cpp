#include "bench/bench_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/record_list.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"

namespace tagshelf::bench {

void fillCatalogue(Catalogue& cat, long first, long rows) {
    BatchScope batch(cat);
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) std::exit(1);
    for (long i = first; i < first + rows; ++i) {
        const std::string n = std::to_string(i);
        Record r;
        r.Title = "タイトル " + n;
        r.Artist = "アーティスト " + std::to_string(i % 500);
        r.Album = "アルバム " + std::to_string(i % 2000);
        r.Trak = std::to_string(i % 20 + 1);
        r.Year = "2003";
        r.Day = "1225";
        // One row in ten is jazz: a search for it finds a tenth of the catalogue.
        r.Genre = i % 10 == 0 ? "ジャズ" : "ロック";
        r.GenreNo = i % 10 == 0 ? "8" : "17";
        r.Comment = "comment";
        r.Encode = std::to_string(i % 2);
        r.Version = "ID3v23";
        r.FilePath =
            "/home/user/Music/Artist " + std::to_string(i % 500) + "/Album/track " + n + ".mp3";
        if (!appendRecord(conn, "FileList", r)) std::exit(1);
    }
    if (!batch.finish()) std::exit(1);
}

void makeCatalogue(Catalogue& cat, const std::string& folder, long rows) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::FILE* f = std::fopen((folder + "/TagShelfList.mdb").c_str(), "w");
    if (!f) std::exit(1);
    std::fclose(f);
    cat.engine().close();
    cat.gstrAppPath = folder;
    cat.gstrDbName = "\\TagShelfList.mdb";
    if (!subCreateTables(cat)) std::exit(1);
    fillCatalogue(cat, 0, rows);
}

}  // namespace tagshelf::bench
