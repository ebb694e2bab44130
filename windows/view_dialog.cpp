#include "windows/view_dialog.h"

#include "windows/twips.h"

namespace tagshelf {

ViewDialog::ViewDialog(Toolkit& toolkit, QWidget* parent) : QDialog(parent), toolkit_(toolkit) {
    setObjectName(QStringLiteral("frm_ViewSelect"));
    setWindowTitle(QStringLiteral("表示項目選択"));
    setModal(true);
    setFixedSize(twipsToPixels(*this, 4575), twipsToPixels(*this, 4260));

    Label1 = new QLabel(QStringLiteral("表示する項目を選択して下さい"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    setTwipsGeometry(*Label1, 240, 120, 4095, 255);

    for (int i = 0; i < static_cast<int>(chk_Item.size()); ++i) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("chk_Item%1").arg(i));
        setTwipsGeometry(*box, i < 10 ? 240 : 2400, 480 + (i % 10) * 300, 2055, 255);
        box->hide();
        chk_Item[static_cast<std::size_t>(i)] = box;
    }

    cmd_Ok = new QPushButton(QStringLiteral("OK"), this);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    setTwipsGeometry(*cmd_Ok, 2040, 3600, 1095, 375);
    cmd_Ok->setDefault(true);
    cmd_Cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmd_Cancel->setObjectName(QStringLiteral("cmd_Cancel"));
    setTwipsGeometry(*cmd_Cancel, 3240, 3600, 1095, 375);
    connect(cmd_Ok, &QPushButton::clicked, this, [this] { cmd_OK_Click(); });
    connect(cmd_Cancel, &QPushButton::clicked, this, [this] { cmd_Cancel_Click(); });

    Form_Load();
}

void ViewDialog::Form_Load() {
    for (int k = 0; k < kDataColumns; ++k) {
        QCheckBox* box = chk_Item[static_cast<std::size_t>(k)];
        const std::string_view caption = gridColumn(k).caption;
        box->setText(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        box->setChecked(true);
        box->show();
    }
}

void ViewDialog::cmd_OK_Click() {
    std::array<bool, kDataColumns> ticked{};
    bool any = false;
    for (std::size_t k = 0; k < ticked.size(); ++k) {
        ticked[k] = chk_Item[k]->isChecked();
        any = any || ticked[k];
    }
    // A grid of the number column alone would show nothing of the catalogue.
    if (!any) {
        toolkit_.notice("表示する項目を1つ以上選択して下さい");
        return;
    }
    chosen_ = ticked;
    accept();
}

void ViewDialog::cmd_Cancel_Click() {
    reject();
}

}  // namespace tagshelf
