#include "windows/data_edit_window.h"

#include <QFocusEvent>
#include <QFont>
#include <QSignalBlocker>

#include "catalogue/catalogue.h"
#include "cataloguing/edit_load.h"
#include "id3/edit_fields.h"
#include "id3/edit_rules.h"
#include "views/list_presenter.h"
#include "windows/genre_select_dialog.h"

namespace tagshelf {

namespace {

constexpr const char* kVersionItems[] = {"ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE"};

}  // namespace

DataEditWindow::DataEditWindow(Catalogue& cat, const ListPresenter& list, long selectedRow,
                               QWidget* parent)
    : QDialog(parent), cat_(cat) {
    setObjectName(QStringLiteral("frm_DataEdit"));
    setWindowTitle(QStringLiteral("ID3タグ情報編集"));
    // The layout is designed for this face and size (IPA P Gothic stands in).
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    buildControls();
    connect(cmbVersion, &QComboBox::currentIndexChanged, this, [this] { cmbVersion_Click(); });
    connect(cmdExec, &QPushButton::clicked, this, &DataEditWindow::cmdExec_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &DataEditWindow::cmdCancel_Click);
    connect(cmdGenreSelect, &QPushButton::clicked, this, &DataEditWindow::cmdGenreSelect_Click);
    txtTDAT1->installEventFilter(this);
    txtTDAT2->installEventFilter(this);

    if (const Record* r = list.recordAt(selectedRow)) {
        target_ = EditTarget{r->FilePath, r->FilePath, r->Version};
    }
    Form_Load(list.searchMode());
}

int DataEditWindow::versionPosition(const std::string& versionText) {
    return versionCode(editedVersionText(versionText)).value_or(kNoTag);
}

void DataEditWindow::Form_Load(bool searchMode) {
    subV1Clear();
    subV2Clear();
    txtFilePath->setValue(target_.filePath);
    int position = -1;
    if (std::optional<Record> r =
            subDbSelectData(cat_, searchMode ? "List" : "FileList", target_.filePath)) {
        loaded_ = editFieldsFromRecord(*r);
        setFields(loaded_);
        position = versionPosition(r->Version);
    }
    {
        // The record's own version: the switch has nothing to do.
        const QSignalBlocker quiet(cmbVersion);
        cmbVersion->setCurrentIndex(position);
    }
    showGroup(position);
}

void DataEditWindow::subV1Clear() {
    for (LimitedLineEdit* box : {txtTitle, txtArtist, txtAlbum, txtTrack, txtYear, txtComment})
        box->setValue("");
    cmbGenre->setCurrentIndex(-1);
}

void DataEditWindow::subV2Clear() {
    for (LimitedLineEdit* box : {txtTIT2, txtTPE1, txtTALB, txtTRCK1, txtTRCK2, txtTYER, txtTDAT1,
                                 txtTDAT2, txtTCONNo, txtTCON})
        box->setValue("");
    txtCOMM2->setValue("");
}

EditFields DataEditWindow::fields() const {
    EditFields f;
    f.txtTitle = txtTitle->value();
    f.txtArtist = txtArtist->value();
    f.txtAlbum = txtAlbum->value();
    f.txtTrack = txtTrack->value();
    f.txtYear = txtYear->value();
    f.txtComment = txtComment->value();
    f.cmbGenre = cmbGenre->currentIndex();
    f.txtTIT2 = txtTIT2->value();
    f.txtTPE1 = txtTPE1->value();
    f.txtTALB = txtTALB->value();
    f.txtTRCK1 = txtTRCK1->value();
    f.txtTRCK2 = txtTRCK2->value();
    f.txtTYER = txtTYER->value();
    f.txtTDAT1 = txtTDAT1->value();
    f.txtTDAT2 = txtTDAT2->value();
    f.txtCOMM2 = txtCOMM2->value();
    f.txtTCON = txtTCON->value();
    f.txtTCONNo = txtTCONNo->value();
    f.optEncode = optEncode[1]->isChecked() ? 1 : 0;
    return f;
}

void DataEditWindow::setFields(const EditFields& f) {
    txtTitle->setValue(f.txtTitle);
    txtArtist->setValue(f.txtArtist);
    txtAlbum->setValue(f.txtAlbum);
    txtTrack->setValue(f.txtTrack);
    txtYear->setValue(f.txtYear);
    txtComment->setValue(f.txtComment);
    cmbGenre->setCurrentIndex(f.cmbGenre >= 0 && f.cmbGenre <= 255 ? f.cmbGenre : -1);
    txtTIT2->setValue(f.txtTIT2);
    txtTPE1->setValue(f.txtTPE1);
    txtTALB->setValue(f.txtTALB);
    txtTRCK1->setValue(f.txtTRCK1);
    txtTRCK2->setValue(f.txtTRCK2);
    txtTYER->setValue(f.txtTYER);
    txtTDAT1->setValue(f.txtTDAT1);
    txtTDAT2->setValue(f.txtTDAT2);
    txtCOMM2->setValue(f.txtCOMM2);
    txtTCON->setValue(f.txtTCON);
    txtTCONNo->setValue(f.txtTCONNo);
    optEncode[f.optEncode == 1 ? 1 : 0]->setChecked(true);
}

void DataEditWindow::cmbVersion_Click() {
    const int position = cmbVersion->currentIndex();
    if (position < 0) return;
    const std::string selected = kVersionItems[position];
    // The record's own version or none: its group as loaded, nothing carried.
    const std::string_view own = editedVersionText(target_.recordVersion);
    if (selected == own || position == kNoTag) {
        showGroup(position);
        return;
    }
    if (!fncOldFieldsSame(fields(), loaded_, own)) {
        MsgAnswer answer = cat_.toolkit.messageBox(
            "変更前バージョンの情報が変更されています\r\n"
            "変更前バージョンの編集は適用されませんがよろしいですか？",
            MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes) {
            cmbVersion->setCurrentIndex(versionPosition(target_.recordVersion));
            return;
        }
    }
    EditFields f = fields();
    carryFieldsOver(f, static_cast<std::uint8_t>(position));
    setFields(f);
    showGroup(position);
}

void DataEditWindow::cmdExec_Click() {
    const int position = cmbVersion->currentIndex();
    if (position < 0) return;  // no record was found: nothing to write
    EditFields f = fields();
    const ExecOutcome outcome = cmdExecApply(cat_, target_, static_cast<std::uint8_t>(position), f);
    // The confirmation may have chosen UTF-16.
    optEncode[f.optEncode == 1 ? 1 : 0]->setChecked(true);
    if (outcome == ExecOutcome::Close) accept();
}

void DataEditWindow::cmdCancel_Click() {
    reject();
}

void DataEditWindow::cmdGenreSelect_Click() {
    GenreSelectDialog dialog(cat_.toolkit, txtTCONNo->value(), this);
    if (cat_.toolkit.showModal(dialog) != QDialog::Accepted) return;
    txtTCONNo->setValue(dialog.genreNumber());
    txtTCON->setValue(dialog.genreName());
}

void DataEditWindow::txtTDAT1_LostFocus() {
    if (fncMonthValid(txtTDAT1->value())) return;
    cat_.toolkit.notice(kMonthInvalid);
    txtTDAT1->setFocus();
}

void DataEditWindow::txtTDAT2_LostFocus() {
    if (fncDayValid(txtTDAT2->value(), txtTDAT1->value())) return;
    cat_.toolkit.notice(kDayInvalid);
    txtTDAT2->setFocus();
}

bool DataEditWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !checking_) {
        // Only when the user moves on: not when a message box or another
        // window takes the focus for a while.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            checking_ = true;
            if (watched == txtTDAT1) txtTDAT1_LostFocus();
            if (watched == txtTDAT2) txtTDAT2_LostFocus();
            checking_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tagshelf
