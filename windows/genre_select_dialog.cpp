#include "windows/genre_select_dialog.h"

#include <QFont>

#include "id3/edit_rules.h"
#include "id3/genre_list.h"
#include "windows/twips.h"

namespace tagshelf {

GenreSelectDialog::GenreSelectDialog(Toolkit& toolkit, const std::string& genreNumber,
                                     QWidget* parent)
    : QDialog(parent), toolkit_(toolkit) {
    setObjectName(QStringLiteral("frm_GenreSelect"));
    setWindowTitle(QStringLiteral("ジャンル選択"));
    // The layout is designed for this face and size (IPA P Gothic stands in).
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    auto tw = [this](int twips) { return twipsToPixels(*this, twips); };
    setFixedSize(tw(4575), tw(1455));

    cmbGenreName = new QComboBox(this);
    cmbGenreName->setObjectName(QStringLiteral("cmbGenreName"));
    cmbGenreName->setGeometry(tw(240), tw(240), tw(4095), tw(300));
    cmbGenreName->setMaxVisibleItems(20);
    for (std::string_view name : kGenreList) {
        cmbGenreName->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }

    cmd_Cansel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmd_Cansel->setObjectName(QStringLiteral("cmd_Cansel"));
    cmd_Cansel->setGeometry(tw(2280), tw(840), tw(975), tw(375));
    cmd_OK = new QPushButton(QStringLiteral("OK"), this);
    cmd_OK->setObjectName(QStringLiteral("cmd_OK"));
    cmd_OK->setGeometry(tw(3360), tw(840), tw(975), tw(375));
    for (QPushButton* b : {cmd_Cansel, cmd_OK})
        b->setAutoDefault(false);
    setTabOrder(cmbGenreName, cmd_Cansel);
    setTabOrder(cmd_Cansel, cmd_OK);
    connect(cmd_OK, &QPushButton::clicked, this, &GenreSelectDialog::cmd_OK_Click);
    connect(cmd_Cansel, &QPushButton::clicked, this, &GenreSelectDialog::cmd_Cansel_Click);

    Form_Load(genreNumber);
}

void GenreSelectDialog::Form_Load(const std::string& genreNumber) {
    cmbGenreName->setCurrentIndex(fncGenrePreselection(genreNumber));
}

void GenreSelectDialog::cmd_OK_Click() {
    const int position = cmbGenreName->currentIndex();
    if (position < 0) {
        // Nothing chosen: nothing to give back.
        toolkit_.notice("ジャンルを選択して下さい");
        return;
    }
    number_ = std::to_string(position);
    name_ = std::string(kGenreList[static_cast<std::size_t>(position)]);
    accept();
}

void GenreSelectDialog::cmd_Cansel_Click() {
    reject();
}

}  // namespace tagshelf
