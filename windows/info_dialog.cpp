#include "windows/info_dialog.h"

#include <QPointer>

#include "windows/twips.h"

#ifndef TAGSHELF_HOME_URL
#error "TAGSHELF_HOME_URL is set by the build"
#endif

namespace tagshelf {

namespace {
QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

std::string InfoDialog::homeUrl() {
    return TAGSHELF_HOME_URL;
}

InfoDialog::InfoDialog(Toolkit& toolkit, QWidget* parent) : QDialog(parent), toolkit_(toolkit) {
    setObjectName(QStringLiteral("frm_Info"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);
    setFixedSize(twipsToPixels(*this, 5295), twipsToPixels(*this, 2175));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    setTwipsGeometry(*Frame1, 120, 0, 5055, 1695);

    Label3 = new QLabel(QStringLiteral("TagShelf v0.9"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    setTwipsGeometry(*Label3, 120, 240, 4815, 255);

    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    setTwipsGeometry(*Label2, 120, 720, 4815, 495);

    Label4 = new QLabel(Frame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    setTwipsGeometry(*Label4, 120, 1320, 4815, 255);
    QFont linkFont(QStringLiteral("ＭＳ Ｐゴシック"));
    linkFont.setPointSize(9);
    Label4->setFont(linkFont);
    Label4->setTextFormat(Qt::RichText);
    const QString url = qs(homeUrl()).toHtmlEscaped();
    Label4->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(url));
    Label4->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Label4->setCursor(Qt::PointingHandCursor);
    connect(Label4, &QLabel::linkActivated, this, [this] { Label4_Click(); });

    cmd_OK = new QPushButton(QStringLiteral("OK"), this);
    cmd_OK->setObjectName(QStringLiteral("cmd_OK"));
    setTwipsGeometry(*cmd_OK, 4200, 1800, 975, 255);
    cmd_OK->setDefault(true);
    connect(cmd_OK, &QPushButton::clicked, this, [this] { cmd_OK_Click(); });

    Form_Load();
}

void InfoDialog::Form_Load() {
    Label2->setText(
        QStringLiteral("本ソフトウェアはフリーウェアです。\n"
                       "使用による損害について作者は責任を負いません。"));
}

void InfoDialog::cmd_OK_Click() {
    accept();
}

void InfoDialog::Label4_Click() {
    const int browser = ++started_;
    // The browser may outlive this window: its end reaches the window only while
    // the window is there.
    QPointer<InfoDialog> self(this);
    const bool started = toolkit_.openUrl(homeUrl(), [self, browser] {
        if (self) self->ie_OnQuit(browser);
    });
    ie_ = started ? browser : 0;
    if (!started) toolkit_.notice("ブラウザを起動できませんでした。\n" + homeUrl());
}

void InfoDialog::ie_OnQuit(int browser) {
    // A browser let go of by a later click is no longer this window's.
    if (browser == ie_) ie_ = 0;
}

}  // namespace tagshelf
