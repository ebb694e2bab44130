#include "windows/sort_dialog.h"

#include <QButtonGroup>

#include "windows/twips.h"

namespace tagshelf {

SortDialog::SortDialog(const std::vector<std::string>& captions, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frm_SortSelect"));
    setWindowTitle(QStringLiteral("ソート"));
    setModal(true);
    setFixedSize(twipsToPixels(*this, 4575), twipsToPixels(*this, 4260));

    Label1 = new QLabel(QStringLiteral("ソートする項目を選択して下さい"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    setTwipsGeometry(*Label1, 240, 120, 4095, 255);

    auto* group = new QButtonGroup(this);
    for (int i = 0; i < static_cast<int>(optSort.size()); ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("optSort%1").arg(i));
        setTwipsGeometry(*option, i < 10 ? 240 : 2400, 480 + (i % 10) * 300, 2055, 255);
        group->addButton(option, i);
        optSort[static_cast<std::size_t>(i)] = option;
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    setTwipsGeometry(*cmdOK, 2040, 3600, 1095, 375);
    cmdOK->setDefault(true);
    cmdCansel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCansel->setObjectName(QStringLiteral("cmdCansel"));
    setTwipsGeometry(*cmdCansel, 3240, 3600, 1095, 375);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCansel, &QPushButton::clicked, this, [this] { cmdCansel_Click(); });

    Form_Load(captions);
}

void SortDialog::Form_Load(const std::vector<std::string>& captions) {
    for (std::size_t i = 0; i < optSort.size(); ++i) {
        const bool shown = i < captions.size();
        optSort[i]->setText(shown ? QString::fromStdString(captions[i]) : QString());
        optSort[i]->setVisible(shown);
    }
    optSort[0]->setChecked(!captions.empty());
}

void SortDialog::cmdOK_Click() {
    chosen_.clear();
    // Only the first twelve options can carry a column.
    for (std::size_t i = 0; i < 12; ++i) {
        if (!optSort[i]->isHidden() && optSort[i]->isChecked()) {
            chosen_ = optSort[i]->text().toStdString();
            break;
        }
    }
    accept();
}

void SortDialog::cmdCansel_Click() {
    reject();
}

}  // namespace tagshelf
