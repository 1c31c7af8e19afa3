#include "settings/dialog/UBallpara.h"

#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <stdexcept>

#include "settings/GmInstrumentNames.h"
#include "settings/SettingsFileNotice.h"
#include "settings/dialog/ButtonGlyphs.h"
#include "settings/dialog/DialogFont.h"
#include "settings/dialog/PicturePreview.h"
#include "settings/dialog/TDialogApplication.h"
#include "settings/dialog/TDialogServices.h"
#include "settings/dialog/TFormStyle.h"
#include "settings/dialog/TListBoxClick.h"
#include "ui_UBallpara.h"

TFBallPara* FBallPara = nullptr;

namespace {

constexpr QPoint kFormPosition(207, 113);
const char* const kScrollExtentProperty = "scrollExtent";

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

int SelectedRow(const QListWidget* listBox)
{
    const auto selected = listBox->selectedItems();
    return selected.isEmpty() ? kNoSelection : listBox->row(selected.front());
}

// Selects an entry (none for kNoSelection) the way the program does it, so no
// click handler runs on the way.
void SelectRow(QListWidget* listBox, TListBoxClick* clicks, int row)
{
    clicks->Quietly([&] {
        listBox->clearSelection();
        listBox->setCurrentRow(row);
        if (row != kNoSelection)
            listBox->item(row)->setSelected(true);
    });
}

TStringList Entries(const QListWidget* listBox)
{
    TStringList entries;
    for (int i = 0; i < listBox->count(); ++i)
        entries.push_back(listBox->item(i)->text().toStdString());
    return entries;
}

void AppendEntries(QListWidget* listBox, TListBoxClick* clicks, const TStringList& entries)
{
    clicks->Quietly([&] {
        for (const auto& entry : entries)
            listBox->addItem(FromStd(entry));
    });
}

void DeleteRow(QListWidget* listBox, TListBoxClick* clicks, int row)
{
    clicks->Quietly([&] { delete listBox->takeItem(row); });
}

TStringList ToStringList(const QStringList& files)
{
    TStringList list;
    for (const QString& file : files)
        list.push_back(file.toStdString());
    return list;
}

void SelectItem(QComboBox* comboBox, int index)
{
    const QSignalBlocker blocker(comboBox);
    comboBox->setCurrentIndex(index);
}

} // namespace

TFBallPara::TFBallPara(const TBallSettings& settings, TDialogServices* services, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TFBallPara>())
    , mOwnServices(services ? nullptr : std::make_unique<TQtDialogServices>())
    , mServices(services ? services : mOwnServices.get())
    , OpenPictureDialog1(*mServices)
    , mNotice(SettingsFileNotice())
{
    ui->setupUi(this);
    mBackClicks = new TListBoxClick(ui->edtBack);
    mBallClicks = new TListBoxClick(ui->lstBalls);
    for (const auto name : kGmInstrumentNames)
        ui->cbSoundType->addItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
    setFont(ChooseDialogFont(CollectFormTexts(this) + FromStd(std::string(kBallParaCaption))));
    for (QLabel* mark : {ui->Label8, ui->Label9, ui->Label10})
        mark->setFont(SliderMarkFont());
    // Made after the controls, so as a child of the form it outlives them.
    auto* formStyle = new TFormStyle;
    formStyle->setParent(this);
    for (QWidget* button : findChildren<QCheckBox*>())
        button->setStyle(formStyle);
    for (QWidget* button : findChildren<QRadioButton*>())
        button->setStyle(formStyle);
    for (QWidget* group : findChildren<QGroupBox*>())
        group->setStyle(formStyle);
    ui->tbBallSize->setStyle(formStyle);
    ui->btnBall->setIcon(AddPictureGlyph());
    ui->btnBack->setIcon(AddPictureGlyph());
    ui->SpeedButton1->setIcon(RemovePictureGlyph());
    ui->btnDeleteBack->setIcon(RemovePictureGlyph());
    setWindowIcon(TessalyIcon());
    setFixedSize(size());
    move(kFormPosition);

    connect(ui->btnOk, &QPushButton::clicked, this, &TFBallPara::btnOkClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TFBallPara::btnCancelClick);
    for (QRadioButton* button : {ui->rbDefault, ui->rbUser, ui->rbDesk})
        connect(button, &QRadioButton::clicked, this, &TFBallPara::rbDefaultClick);
    connect(ui->btnBack, &QToolButton::clicked, this, &TFBallPara::btnBackClick);
    connect(ui->btnDeleteBack, &QToolButton::clicked, this, &TFBallPara::btnDeleteBackClick);
    connect(mBackClicks, &TListBoxClick::Click, this, &TFBallPara::edtBackClick);
    connect(ui->btnBall, &QToolButton::clicked, this, &TFBallPara::btnBallClick);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFBallPara::SpeedButton1Click);
    connect(mBallClicks, &TListBoxClick::Click, this, &TFBallPara::lstBallsClick);
    connect(ui->cbDriver, &QComboBox::currentIndexChanged, this, &TFBallPara::cbDriverChange);
    connect(ui->tbBallSize, &QSlider::valueChanged, this, &TFBallPara::tbBallSizeChange);
    ui->btnDeleteBack->installEventFilter(this);
    ui->Label14->installEventFilter(this);

    FormCreate(settings);
}

TFBallPara::~TFBallPara()
{
    // The lists are destroyed after this object's own members; nothing they
    // do on the way may reach its handlers.
    mBackClicks->disconnect(this);
    mBallClicks->disconnect(this);
}

void TFBallPara::FormCreate(const TBallSettings& settings)
{
    const TBallParaValues values = ValuesFromSettings(settings);
    DriverChanged = false;

    QRadioButton* backButton = values.BackTag == kTagUserBack      ? ui->rbUser
                               : values.BackTag == kTagDesktopBack ? ui->rbDesk
                                                                   : ui->rbDefault;
    backButton->setChecked(true);
    ApplyBackListRule(values.BackTag);

    AppendEntries(ui->edtBack, mBackClicks, values.BackPics);
    FitScrollWidth(ui->edtBack);
    AppendEntries(ui->lstBalls, mBallClicks, values.BallPics);
    FitScrollWidth(ui->lstBalls);

    ui->edBallNums->setValue(values.BallsCount);
    ui->cbxShadow->setChecked(values.ShowShadow);
    ui->cbAudio->setChecked(values.SoundOpen);
    ui->tbBallSize->setValue(values.BallSize);
    SelectItem(ui->cbDriver, ui->cbDriver->findText(FromStd(values.Driver)));
    SelectItem(ui->cbMask, values.UseMask);
    SelectItem(ui->cbBubbleStyle, values.BubbleStyle);
    SelectItem(ui->cbSoundType, values.SoundType);
    (values.RandomPlay ? ui->rbBackPlay1 : ui->rbBackPlay2)->setChecked(true);
    ui->backInt->setValue(values.BackInterval);
    setWindowTitle(FromStd(std::string(kBallParaCaption)));
}

TBallParaValues TFBallPara::ReadControls() const
{
    TBallParaValues values;
    values.BackTag = ui->rbDefault->isChecked() ? kTagDefaultBack
                     : ui->rbDesk->isChecked()  ? kTagDesktopBack
                                                : kTagUserBack;
    values.BackPics = Entries(ui->edtBack);
    values.BallPics = Entries(ui->lstBalls);
    values.BallsCount = ui->edBallNums->value();
    values.ShowShadow = ui->cbxShadow->isChecked();
    values.SoundOpen = ui->cbAudio->isChecked();
    values.BallSize = ui->tbBallSize->value();
    values.Driver = ui->cbDriver->currentText().toStdString();
    values.DriverChanged = DriverChanged;
    values.UseMask = ui->cbMask->currentIndex();
    values.BubbleStyle = ui->cbBubbleStyle->currentIndex();
    values.SoundType = ui->cbSoundType->currentIndex();
    values.RandomPlay = ui->rbBackPlay1->isChecked();
    values.BackInterval = ui->backInt->value();
    return values;
}

void TFBallPara::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFBallPara::FormClose()
{
    if (mClosed)
        return;
    mClosed = true;
    BallSettings.BallPicList.reset();
    BallSettings.BackPicList.reset();
}

void TFBallPara::btnOkClick()
{
    try {
        SaveSettings(StoredFromValues(ReadControls()));
    } catch (const std::runtime_error& error) {
        // The values written before the failure stay written; the user keeps
        // the dialog and its contents to try again or cancel.
        mServices->ShowError(this, QString::fromUtf8(error.what()));
        return;
    }
    accept();
}

void TFBallPara::btnCancelClick()
{
    reject();
}

void TFBallPara::rbDefaultClick()
{
    ApplyBackListRule(sender()->property("tag").toInt());
}

void TFBallPara::ApplyBackListRule(int clickedTag)
{
    const bool enabled = BackListEnabled(clickedTag);
    ui->edtBack->setEnabled(enabled);
    ui->btnBack->setEnabled(enabled);
}

void TFBallPara::btnBackClick()
{
    if (!OpenPictureDialog1.Execute(this))
        return;
    AppendEntries(ui->edtBack, mBackClicks, ToStringList(OpenPictureDialog1.Files()));
    FitScrollWidth(ui->edtBack);
    SelectRow(ui->edtBack, mBackClicks, ui->edtBack->count() - 1);
    edtBackClick();
}

void TFBallPara::btnBallClick()
{
    if (!OpenPictureDialog1.Execute(this))
        return;
    AppendEntries(ui->lstBalls, mBallClicks, FilesToAppend(ToStringList(OpenPictureDialog1.Files()), false));
    FitScrollWidth(ui->lstBalls);
}

void TFBallPara::btnDeleteBackClick()
{
    const int row = SelectedRow(ui->edtBack);
    if (row == kNoSelection)
        return;
    DeleteRow(ui->edtBack, mBackClicks, row);
    SelectRow(ui->edtBack, mBackClicks, SelectionAfterDelete(row, ui->edtBack->count()));
    FitScrollWidth(ui->edtBack);
    edtBackClick();
}

void TFBallPara::btnDeleteBackMouseMove()
{
    btnDeleteBackClick();
}

void TFBallPara::Label14DblClick()
{
    OpenPictureDialog1.AllowMultiSelect();
    btnBackClick();
}

void TFBallPara::SpeedButton1Click()
{
    const int row = SelectedRow(ui->lstBalls);
    if (row == kNoSelection)
        return;
    DeleteRow(ui->lstBalls, mBallClicks, row);
    SelectRow(ui->lstBalls, mBallClicks, kNoSelection);
    FitScrollWidth(ui->lstBalls);
}

void TFBallPara::edtBackClick()
{
    Preview(ui->edtBack, ui->Image1);
}

void TFBallPara::lstBallsClick()
{
    Preview(ui->lstBalls, ui->Image2);
}

void TFBallPara::Preview(QListWidget* listBox, QLabel* image)
{
    const int row = SelectedRow(listBox);
    if (row == kNoSelection) {
        image->clear();
        return;
    }
    try {
        image->setPixmap(QPixmap::fromImage(LoadPreviewPicture(listBox->item(row)->text())));
    } catch (const std::runtime_error& error) {
        mServices->ShowError(this, QString::fromUtf8(error.what()));
    }
}

void TFBallPara::cbDriverChange()
{
    DriverChanged = true;
}

void TFBallPara::tbBallSizeChange()
{
    // The size is read from the slider when saving; moving it changes nothing else.
}

void TFBallPara::FitScrollWidth(QListWidget* listBox)
{
    const QFontMetrics metrics(listBox->font());
    std::vector<int> widths;
    for (int i = 0; i < listBox->count(); ++i)
        widths.push_back(metrics.horizontalAdvance(listBox->item(i)->text()));
    const int current = listBox->property(kScrollExtentProperty).toInt();
    const int extent = FitScrollExtent(widths, listBox->width(), current);
    listBox->setProperty(kScrollExtentProperty, extent);
    if (extent == 0)
        return;
    // A list view scrolls as far as its widest row, so every row is made as
    // wide as the extent.
    for (int i = 0; i < listBox->count(); ++i) {
        QListWidgetItem* item = listBox->item(i);
        const QSize hint = item->sizeHint();
        const int height = hint.isValid() ? hint.height() : listBox->sizeHintForRow(i);
        item->setSizeHint(QSize(extent, height));
    }
}

void TFBallPara::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once the dialog is on screen, so the notice stands in front of it.
    if (mNotice) {
        QTimer::singleShot(0, this, [this, notice = QString::fromStdString(*mNotice)] {
            mServices->ShowNotice(this, notice);
        });
        mNotice.reset();
    }
}

bool TFBallPara::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->btnDeleteBack && event->type() == QEvent::MouseMove
        && (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
        btnDeleteBackMouseMove();
    } else if (watched == ui->Label14 && event->type() == QEvent::MouseButtonDblClick
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label14DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
