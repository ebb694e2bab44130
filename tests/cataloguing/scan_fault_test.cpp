// Each write, flush and truncation of a scan's catalogue fails in turn (and all
// after it, as a full disk stays full): one message, the committed rows kept and
// counted, a sound catalogue, and a later scan registers exactly the rest.
#include <gtest/gtest.h>

#include <algorithm>

#include "cataloguing/scan.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/faulty_vfs.h"
#include "tests/support/music_folder.h"

namespace tagshelf::test {
namespace {

ScanReport scan(CatalogueFixture& f, const std::vector<std::string>& files) {
    f.cat.engine().commitInterval = std::chrono::milliseconds(0);  // a batch per file
    return registerFiles(f.cat, files, nullptr);
}

TEST(ScanFaults, EachFailingWriteIsReportedOnceAndLosesNoCommittedRow) {
    MusicFolder t;
    const std::vector<std::string> files = t.addMany(6);
    FaultyVfs vfs;
    std::size_t calls = 0;
    {
        CatalogueFixture f;
        f.cat.engine().close();
        vfs.calls = 0;
        ASSERT_EQ(scan(f, files).registered, 6);
        calls = vfs.calls;
        ASSERT_GE(calls, 12u);  // the journal and the file written, per file
    }
    for (int error : {SQLITE_FULL, SQLITE_IOERR}) {
        for (std::size_t n = 1; n <= calls; ++n) {
            SCOPED_TRACE("failing from call " + std::to_string(n) + " with " +
                         std::to_string(error));
            CatalogueFixture f;
            f.cat.engine().close();
            vfs.calls = 0;
            vfs.error = error;
            vfs.failFrom = n;
            const ScanReport r = scan(f, files);
            f.cat.engine().close();
            vfs.failFrom = 0;
            const auto stored = f.column("SELECT FilePath FROM FileList ORDER BY rowid");
            EXPECT_EQ(f.column("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
            EXPECT_EQ(r.registered, static_cast<long>(stored.size()));
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), files.begin()));
            showScanReport(f.cat, r);
            EXPECT_EQ(std::count_if(f.toolkit.messages.begin(), f.toolkit.messages.end(),
                                    [](const auto& m) {
                                        return m.prompt.find("エラー : ") != std::string::npos;
                                    }),
                      r.registered < 6 ? 1 : 0)
                << testing::PrintToString(f.toolkit.prompts());
            f.toolkit.messages.clear();
            EXPECT_EQ(scan(f, files).registered, 6 - r.registered);
        }
    }
}

}  // namespace
}  // namespace tagshelf::test
