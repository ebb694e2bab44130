// The edit window's controls: captions, positions and sizes in twips (left, top,
// width; text boxes one line of 270 high), input limits and tab order.
#include "windows/data_edit_window.h"

#include "id3/genre_list.h"
#include "windows/twips.h"

namespace tagshelf {

namespace {

constexpr int kBoxHeight = 270;
constexpr int kLabelHeight = 255;
constexpr int kListHeight = 300;

}  // namespace

int DataEditWindow::tw(int twips) const {
    return twipsToPixels(*this, twips);
}

void DataEditWindow::buildControls() {
    auto label = [this](QWidget* parent, const char* name, const char* caption, int left, int top,
                        int width, Qt::Alignment align = Qt::AlignLeft) {
        auto* l = new QLabel(QString::fromUtf8(caption), parent);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(tw(left), tw(top + 30), tw(width), tw(kLabelHeight));
        l->setAlignment(align | Qt::AlignVCenter);
        return l;
    };
    auto box = [this](QWidget* parent, const char* name, int left, int top, int width,
                      std::size_t maxBytes, KeyFilter filter = KeyFilter::Any) {
        auto* e = new LimitedLineEdit(maxBytes, filter, parent);
        e->setObjectName(QString::fromUtf8(name));
        e->setGeometry(tw(left), tw(top), tw(width), tw(kBoxHeight));
        return e;
    };
    auto group = [this](QWidget* parent, const char* name, int left, int top, int width,
                        int height) {
        auto* g = new QGroupBox(parent);
        g->setObjectName(QString::fromUtf8(name));
        g->setGeometry(tw(left), tw(top), tw(width), tw(height));
        return g;
    };

    Label7 = label(this, "Label7", "ファイルパス", 360, 120, 1140);
    txtFilePath = box(this, "txtFilePath", 1560, 120, 5655, 0);
    txtFilePath->setReadOnly(true);
    Label8 = label(this, "Label8", "バージョン", 360, 600, 1140);
    cmbVersion = new QComboBox(this);
    cmbVersion->setObjectName(QStringLiteral("cmbVersion"));
    cmbVersion->setGeometry(tw(1560), tw(600), tw(1695), tw(kListHeight));
    for (const char* item : {"ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE"})
        cmbVersion->addItem(QString::fromLatin1(item));

    // The ID3v1/ID3v1.1 group.
    fraID3v1 = group(this, "fraID3v1", 360, 960, 6855, 2475);
    Label1 = label(fraID3v1, "Label1", "タイトル", 120, 240, 1080);
    txtTitle = box(fraID3v1, "txtTitle", 1200, 240, 5175, 30);
    Label2 = label(fraID3v1, "Label2", "アーティスト", 120, 600, 1080);
    txtArtist = box(fraID3v1, "txtArtist", 1200, 600, 5175, 30);
    Label3 = label(fraID3v1, "Label3", "アルバム", 120, 960, 1080);
    txtAlbum = box(fraID3v1, "txtAlbum", 1200, 960, 5175, 30);
    lblTrack = label(fraID3v1, "lblTrack", "トラック", 120, 1320, 1080);
    txtTrack = box(fraID3v1, "txtTrack", 1200, 1320, 1335, 3, KeyFilter::Digits);
    Label6 = label(fraID3v1, "Label6", "年月", 3480, 1320, 660, Qt::AlignRight);
    txtYear = box(fraID3v1, "txtYear", 4200, 1320, 2175, 5, KeyFilter::DigitsAndSlash);
    Label4 = label(fraID3v1, "Label4", "コメント", 120, 1680, 1080);
    txtComment = box(fraID3v1, "txtComment", 1200, 1680, 5175, 28);
    Label9 = label(fraID3v1, "Label9", "ジャンル", 120, 2040, 1080);
    cmbGenre = new QComboBox(fraID3v1);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    cmbGenre->setGeometry(tw(1200), tw(2040), tw(2640), tw(kListHeight));
    cmbGenre->setMaxVisibleItems(20);
    for (std::string_view name : kGenreList)
        cmbGenre->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));

    // The ID3v2.2/ID3v2.3 group, in the same place.
    fraID3v2 = group(this, "fraID3v2", 360, 960, 6855, 3675);
    Label16 = label(fraID3v2, "Label16", "タイトル", 120, 240, 1080);
    txtTIT2 = box(fraID3v2, "txtTIT2", 1200, 240, 5175, 200);
    Label15 = label(fraID3v2, "Label15", "アーティスト", 120, 600, 1080);
    txtTPE1 = box(fraID3v2, "txtTPE1", 1200, 600, 5175, 200);
    Label14 = label(fraID3v2, "Label14", "アルバム", 120, 960, 1080);
    txtTALB = box(fraID3v2, "txtTALB", 1200, 960, 5175, 200);
    Label12 = label(fraID3v2, "Label12", "トラック", 120, 1320, 1080);
    txtTRCK1 = box(fraID3v2, "txtTRCK1", 1200, 1320, 495, 3, KeyFilter::Digits);
    Label17 = label(fraID3v2, "Label17", "／", 1695, 1320, 465, Qt::AlignHCenter);
    txtTRCK2 = box(fraID3v2, "txtTRCK2", 2160, 1320, 495, 3, KeyFilter::Digits);
    Label11 = label(fraID3v2, "Label11", "西暦", 120, 1680, 1080);
    txtTYER = box(fraID3v2, "txtTYER", 1200, 1680, 735, 4, KeyFilter::Digits);
    Label5 = label(fraID3v2, "Label5", "月", 3360, 1680, 540, Qt::AlignRight);
    txtTDAT1 = box(fraID3v2, "txtTDAT1", 3960, 1680, 735, 2, KeyFilter::Digits);
    Label18 = label(fraID3v2, "Label18", "日", 5040, 1680, 540, Qt::AlignRight);
    txtTDAT2 = box(fraID3v2, "txtTDAT2", 5640, 1680, 735, 2, KeyFilter::Digits);
    Label13 = label(fraID3v2, "Label13", "コメント", 120, 2040, 1080);
    txtCOMM2 = new LimitedTextEdit(200, fraID3v2);
    txtCOMM2->setObjectName(QStringLiteral("txtCOMM2"));
    txtCOMM2->setGeometry(tw(1200), tw(2040), tw(5175), tw(615));
    txtCOMM2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtCOMM2->setTabChangesFocus(true);
    Label10 = label(fraID3v2, "Label10", "ジャンル", 120, 2760, 1080);
    txtTCON = box(fraID3v2, "txtTCON", 1200, 2760, 3855, 200);
    txtTCONNo = box(fraID3v2, "txtTCONNo", 1200, 2760, 495, 3, KeyFilter::Digits);
    txtTCONNo->setReadOnly(true);
    txtTCONNo->hide();
    cmdGenreSelect = new QPushButton(QStringLiteral("ジャンル選択"), fraID3v2);
    cmdGenreSelect->setObjectName(QStringLiteral("cmdGenreSelect"));
    cmdGenreSelect->setGeometry(tw(5040), tw(2760), tw(1335), tw(kBoxHeight));
    Frame1 = group(fraID3v2, "Frame1", 120, 3000, 6615, 615);
    Label23 = label(Frame1, "Label23", "エンコード", 120, 240, 1140);
    optEncode[0] = new QRadioButton(QStringLiteral("Latin1(ISO-8859-1)"), Frame1);
    optEncode[1] = new QRadioButton(QStringLiteral("Unicode(ISO-10646-1)"), Frame1);
    for (int i = 0; i < 2; ++i) {
        optEncode[i]->setObjectName(QStringLiteral("optEncode%1").arg(i));
        optEncode[i]->setGeometry(tw(i == 0 ? 1320 : 3480), tw(240), tw(i == 0 ? 2055 : 3015),
                                  tw(kLabelHeight));
    }

    cmdExec = new QPushButton(QStringLiteral("OK"), this);
    cmdExec->setObjectName(QStringLiteral("cmdExec"));
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Cancel leaves without the month and day checks, which a click would start
    // by taking the focus.
    cmdCancel->setFocusPolicy(Qt::TabFocus);
    for (QPushButton* b : {cmdExec, cmdCancel, cmdGenreSelect})
        b->setAutoDefault(false);

    for (auto [from, to] :
         std::initializer_list<std::pair<QWidget*, QWidget*>>{{txtTIT2, txtTPE1},
                                                              {txtTPE1, txtTALB},
                                                              {txtTALB, txtTRCK1},
                                                              {txtTRCK1, txtTRCK2},
                                                              {txtTRCK2, txtTYER},
                                                              {txtTYER, txtTDAT1},
                                                              {txtTDAT1, txtTDAT2},
                                                              {txtTDAT2, txtCOMM2},
                                                              {txtCOMM2, txtTCON},
                                                              {txtTCON, cmdGenreSelect},
                                                              {txtTitle, txtArtist},
                                                              {txtArtist, txtAlbum},
                                                              {txtAlbum, txtTrack},
                                                              {txtTrack, txtYear},
                                                              {txtYear, txtComment}}) {
        setTabOrder(from, to);
    }
}

void DataEditWindow::showGroup(int position) {
    const bool v1 = position == kID3v1 || position == kID3v11;
    const bool v2 = position == kID3v22 || position == kID3v23;
    fraID3v1->setVisible(v1);
    fraID3v2->setVisible(v2);
    txtTrack->setVisible(position == kID3v11);
    lblTrack->setVisible(position == kID3v11);
    cmbGenre->setVisible(v1);
    designHeight_ = v2 ? 5505 : 4485;
    // The buttons keep their distance from the bottom edge. The design heights
    // count a title bar and borders of 405 twips, which the window system adds.
    const int buttonsTop = designHeight_ - 870;
    cmdExec->setGeometry(tw(5775), tw(buttonsTop), tw(1380), tw(330));
    cmdCancel->setGeometry(tw(4200), tw(buttonsTop), tw(1485), tw(330));
    setFixedSize(tw(7575), tw(designHeight_ - 405));
}

}  // namespace tagshelf
