#include "catalogue/schema.h"

#include <cctype>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"

namespace tagshelf {

namespace {

constexpr std::string_view kGenreNames[] = {
    "ブルース",                    // 0
    "クラシックロック",            // 1
    "カントリー",                  // 2
    "ダンス",                      // 3
    "ディスコ",                    // 4
    "ファンク",                    // 5
    "グランジ",                    // 6
    "ヒップホップ",                // 7
    "ジャズ",                      // 8
    "メタル",                      // 9
    "ニューエイジ",                // 10
    "オールディーズ",              // 11
    "その他",                      // 12
    "ポップ",                      // 13
    "R&B",                         // 14
    "ラップ",                      // 15
    "レゲエ",                      // 16
    "ロック",                      // 17
    "テクノ",                      // 18
    "インダストリアル",            // 19
    "オルタナティヴ",              // 20
    "スカ",                        // 21
    "デスメタル",                  // 22
    "プランクス",                  // 23
    "サウンドトラック",            // 24
    "ユーロテクノ",                // 25
    "アンビエント",                // 26
    "トリップホップ",              // 27
    "ヴォーカル",                  // 28
    "ジャズ＋ファンク",            // 29
    "フュージョン",                // 30
    "トランス",                    // 31
    "クラシカル",                  // 32
    "インストゥルメンタル",        // 33
    "アシッド",                    // 34
    "ハウス",                      // 35
    "ゲーム",                      // 36
    "サウンドクリップ",            // 37
    "ゴスペル",                    // 38
    "ノイズ",                      // 39
    "アルタナロック",              // 40
    "ベース",                      // 41
    "ソウル",                      // 42
    "パンク",                      // 43
    "スペース",                    // 44
    "メディテイティブ",            // 45
    "インストゥルメンタルポップ",  // 46
    "インストゥルメンタルロック",  // 47
    "エスニック",                  // 48
    "ゴシック",                    // 49
    "ダークウェイブ",              // 50
    "テクノ－インダストリアル",    // 51
    "エレクトロニック",            // 52
    "ポップ－フォーク",            // 53
    "ユーロダンス",                // 54
    "ドリーム",                    // 55
    "サザンロック",                // 56
    "コメディ",                    // 57
    "カルト",                      // 58
    "ガングスタ",                  // 59
    "トップ４０",                  // 60
    "クリスチャンラップ",          // 61
    "ポップ／ファンク",            // 62
    "ジャングル",                  // 63
    "ネイティブアメリカン",        // 64
    "カバレット",                  // 65
    "ニューウェイブ",              // 66
    "サイケデリック",              // 67
    "レイブ",                      // 68
    "ショートゥーン",              // 69
    "トレーラー",                  // 70
    "ローファイ",                  // 71
    "トライバル",                  // 72
    "アシッドパンク",              // 73
    "アシッドジャズ",              // 74
    "ポルカ",                      // 75
    "レトロ",                      // 76
    "ミュージカル",                // 77
    "ロックンロール",              // 78
    "ハードロック",                // 79
    "フォーク",                    // 80
    "フォークロック",              // 81
    "ナショナルフォーク",          // 82
    "スイング",                    // 83
    "ファーストフュージョン",      // 84
    "べボブ",                      // 85
    "ラテン",                      // 86
    "リバイバル",                  // 87
    "セルティック",                // 88
    "ブルーグラス",                // 89
    "アバンギャルド",              // 90
    "ゴシックロック",              // 91
    "プログレッシブロック",        // 92
    "サイケデリックロック",        // 93
    "シンフォニックロック",        // 94
    "スローロック",                // 95
    "ビッグバンド",                // 96
    "コーラス",                    // 97
    "イージーリスニング",          // 98
    "アコースティック",            // 99
    "ユーモア",                    // 100
    "スピーチ",                    // 101
    "シャンソン",                  // 102
    "オペラ",                      // 103
    "室内楽",                      // 104
    "ソナタ",                      // 105
    "シンフォニー",                // 106
    "ブーティベース",              // 107
    "首相",                        // 108
    "ポルノグルーヴ",              // 109
    "風刺",                        // 110
    "スロージャム",                // 111
    "クラブ",                      // 112
    "タンゴ",                      // 113
    "サンバ",                      // 114
    "フォルクローレ",              // 115
    "バラード",                    // 116
    "パワーバラード",              // 117
    "リズミックソウル",            // 118
    "フリースタイル",              // 119
    "デュエット",                  // 120
    "パンクロック",                // 121
    "ドラムソロ",                  // 122
    "アカペラ",                    // 123
    "ユーロハウス",                // 124
    "ダンスホール",                // 125
};
static_assert(std::size(kGenreNames) == 126);

std::string trimmedUpper(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    std::string out(s.substr(b, e - b + 1));
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

GenreNames subSetGenreName() {
    GenreNames names{};
    for (std::size_t i = 0; i < std::size(kGenreNames); ++i)
        names[i] = kGenreNames[i];
    return names;
}

std::string quoteIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

bool fncNoTable(Catalogue& cat, std::string_view name) {
    DbConnection conn;
    if (!openCatalogue(cat, conn)) return false;
    Result<Statement> st = conn.prepare("SELECT type, name FROM sqlite_master");
    if (!st) return false;
    for (;;) {
        Result<bool> row = st->step();
        if (!row) return false;
        if (!*row) break;
        std::string tableName = st->text(1);
        // The engine's own tables (sqlite_…) are system tables, not ours.
        if (trimmedUpper(st->text(0)) == "TABLE" && tableName.rfind("sqlite_", 0) != 0 &&
            tableName == name) {
            return false;
        }
    }
    return true;
}

Status fncCreateTable(Catalogue& cat, std::string_view name) {
    if (!fncNoTable(cat, name)) return {};
    DbConnection conn;
    if (Status s = openCatalogue(cat, conn); !s) return s;
    std::string sql = "CREATE TABLE " + quoteIdentifier(name) + " (";
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const std::string name(kColumns[i].name);
        if (i > 0) sql += ", ";
        sql += name + " TEXT CHECK (length(" + name +
               ") <= " + std::to_string(kColumns[i].maxLength) + ")";
    }
    sql += ")";
    // Rows are looked up by their path, so the path gets an index.
    std::string index = "CREATE INDEX " + quoteIdentifier(std::string(name) + "_FilePath") +
                        " ON " + quoteIdentifier(name) + " (FilePath)";
    return conn.atomically([&]() -> Status {
        if (Status s = conn.exec(sql); !s) return s;
        return conn.exec(index);
    });
}

bool fncCreateGenre(Catalogue& cat) {
    if (!fncNoTable(cat, "GENRE")) return true;
    {
        DbConnection conn;
        if (!openCatalogue(cat, conn)) return false;
        if (!conn.exec("CREATE TABLE GENRE (GenreNo INTEGER, "
                       "Genre TEXT CHECK (length(Genre) <= 50))")) {
            return false;
        }
    }
    subInDbGenre(cat);
    return true;
}

void subInDbGenre(Catalogue& cat) {
    GenreNames names = subSetGenreName();
    BatchScope batch(cat);
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return;
    for (int i = 0; i < 127 && !names[i].empty(); ++i) {
        Result<Statement> st = conn.prepare("INSERT INTO GENRE (Genreno, Genre) VALUES (?, ?)");
        Status s = st ? st->bind(1, std::int64_t{i}).bind(2, names[i]).run() : st.status();
        if (!s) {
            showDbError(cat, "subInDbGenre : ", s.error());
            return;
        }
    }
}

bool subCreateTables(Catalogue& cat) {
    bool made = true;
    if (Status s = fncCreateTable(cat, "FileList"); !s) {
        cat.toolkit.notice(standardErrorText("fncCreateTable : ", s.error()));
        cat.toolkit.notice("テーブルの作成に失敗しました（FileList）");
        made = false;
    }
    if (!fncCreateGenre(cat)) cat.toolkit.notice("テーブルの作成に失敗しました（Genre）");
    return made;
}

}  // namespace tagshelf
