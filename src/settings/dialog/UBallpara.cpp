#include "settings/dialog/UBallpara.h"

#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

#include "settings/GmInstrumentNames.h"
#include "settings/PictureFilter.h"
#include "settings/form/ButtonGlyphs.h"
#include "settings/dialog/DialogFont.h"
#include "settings/dialog/PicturePreview.h"
#include "settings/dialog/TDialogApplication.h"
#include "settings/dialog/TDialogServices.h"
#include "settings/dialog/TFormStyle.h"
#include "settings/dialog/TListBoxClick.h"
#include "ui_UBallpara.h"

TFBallPara* FBallPara = nullptr;

namespace {

using enum TBallParaControl;

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

TFBallPara::TFBallPara(const TBallSettings& settings, TDialogServices* services, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TFBallPara>())
    , mOwnServices(services ? nullptr : std::make_unique<TQtDialogServices>())
    , mServices(services ? services : mOwnServices.get())
    , mController(*this, settings)
{
    ui->setupUi(this);
    for (const TFormControl& row : BallParaControls()) {
        mWidgets[size_t(row.Id)] = findChild<QWidget*>(QString::fromLatin1(row.Name.data(), qsizetype(row.Name.size())));
        Q_ASSERT(mWidgets[size_t(row.Id)]);
    }
    // The form file cannot keep a caption of spaces only.
    ui->Label14->setText(FromUtf8(FormControl(Label14).Caption));
    mBackClicks = new TListBoxClick(ui->edtBack);
    mBallClicks = new TListBoxClick(ui->lstBalls);
    for (const auto name : FormControl(cbSoundType).Items)
        ui->cbSoundType->addItem(FromUtf8(name));
    Style();
    Connect();
    mController.FormCreate();
}

TFBallPara::~TFBallPara()
{
    // The lists are destroyed after this object's own members; nothing they
    // do on the way may reach the handlers.
    mBackClicks->disconnect(this);
    mBallClicks->disconnect(this);
}

void TFBallPara::Style()
{
    setFont(ChooseDialogFont(CollectFormTexts(this) + FromUtf8(kBallParaCaption)));
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
    for (const TFormControl& row : BallParaControls())
        if (row.Glyph != TButtonGlyph::None)
            Widget<QToolButton>(row.Id)->setIcon(QPixmap::fromImage(ToImage(ButtonGlyph(row.Glyph))));
    setWindowIcon(TessalyIcon());
    setFixedSize(size());
    move(kBallParaForm.Left, kBallParaForm.Top);
}

void TFBallPara::Connect()
{
    TBallParaController& c = mController;
    connect(ui->btnOk, &QPushButton::clicked, this, [&c] { c.btnOkClick(); });
    connect(ui->btnCancel, &QPushButton::clicked, this, [&c] { c.btnCancelClick(); });
    for (const TBallParaControl button : {rbDefault, rbUser, rbDesk})
        connect(Widget<QRadioButton>(button), &QRadioButton::clicked, this, [&c, button] { c.rbDefaultClick(button); });
    connect(ui->btnBack, &QToolButton::clicked, this, [&c] { c.btnBackClick(); });
    connect(ui->btnDeleteBack, &QToolButton::clicked, this, [&c] { c.btnDeleteBackClick(); });
    connect(mBackClicks, &TListBoxClick::Click, this, [&c] { c.edtBackClick(); });
    connect(ui->btnBall, &QToolButton::clicked, this, [&c] { c.btnBallClick(); });
    connect(ui->SpeedButton1, &QToolButton::clicked, this, [&c] { c.SpeedButton1Click(); });
    connect(mBallClicks, &TListBoxClick::Click, this, [&c] { c.lstBallsClick(); });
    connect(ui->cbDriver, &QComboBox::currentIndexChanged, this, [&c] { c.cbDriverChange(); });
    connect(ui->tbBallSize, &QSlider::valueChanged, this, [&c] { c.tbBallSizeChange(); });
    ui->edBallNums->Attach(c, edBallNums);
    ui->backInt->Attach(c, backInt);
    ui->btnDeleteBack->installEventFilter(this);
    ui->Label14->installEventFilter(this);
}

void TFBallPara::done(int result)
{
    mController.FormClose();
    QDialog::done(result);
}

void TFBallPara::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once the dialog is on screen, so a notice stands in front of it.
    QTimer::singleShot(0, this, [this] { mController.FormShow(); });
}

bool TFBallPara::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->btnDeleteBack && event->type() == QEvent::MouseMove) {
        mController.btnDeleteBackMouseMove(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton);
    } else if (watched == ui->Label14 && event->type() == QEvent::MouseButtonDblClick
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        mController.Label14DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QWidget* TFBallPara::Widget(TBallParaControl control) const
{
    return mWidgets[size_t(control)];
}

template <class T>
T* TFBallPara::Widget(TBallParaControl control) const
{
    return static_cast<T*>(Widget(control));
}

QListWidget* TFBallPara::List(TBallParaControl list) const
{
    return Widget<QListWidget>(list);
}

TListBoxClick* TFBallPara::Clicks(TBallParaControl list) const
{
    return list == edtBack ? mBackClicks : mBallClicks;
}

void TFBallPara::SetCaption(std::string_view text)
{
    setWindowTitle(FromUtf8(text));
}

void TFBallPara::SetEnabled(TBallParaControl control, bool enabled)
{
    Widget(control)->setEnabled(enabled);
}

void TFBallPara::SetChecked(TBallParaControl control, bool checked)
{
    Widget<QAbstractButton>(control)->setChecked(checked);
}

bool TFBallPara::Checked(TBallParaControl control) const
{
    return Widget<QAbstractButton>(control)->isChecked();
}

void TFBallPara::SetItemIndex(TBallParaControl control, int index)
{
    auto* comboBox = Widget<QComboBox>(control);
    const QSignalBlocker blocker(comboBox);
    comboBox->setCurrentIndex(index);
}

int TFBallPara::ItemIndex(TBallParaControl control) const
{
    return Widget<QComboBox>(control)->currentIndex();
}

void TFBallPara::SetPosition(TBallParaControl control, int value)
{
    if (control == tbBallSize)
        ui->tbBallSize->setValue(value);
    else
        Widget<QSpinBox>(control)->setValue(value);
}

int TFBallPara::Position(TBallParaControl control) const
{
    if (control == tbBallSize)
        return ui->tbBallSize->value();
    return Widget<QSpinBox>(control)->value();
}

void TFBallPara::AddListEntries(TBallParaControl list, const TStringList& entries)
{
    QListWidget* listBox = List(list);
    Clicks(list)->Quietly([&] {
        for (const auto& entry : entries)
            listBox->addItem(FromUtf8(entry));
    });
}

void TFBallPara::DeleteListEntry(TBallParaControl list, int index)
{
    QListWidget* listBox = List(list);
    Clicks(list)->Quietly([&] { delete listBox->takeItem(index); });
}

void TFBallPara::SelectListEntry(TBallParaControl list, int index)
{
    QListWidget* listBox = List(list);
    Clicks(list)->Quietly([&] {
        listBox->clearSelection();
        listBox->setCurrentRow(index);
        if (index != kNoSelection)
            listBox->item(index)->setSelected(true);
    });
}

int TFBallPara::SelectedListEntry(TBallParaControl list) const
{
    const QListWidget* listBox = List(list);
    const auto selected = listBox->selectedItems();
    return selected.isEmpty() ? kNoSelection : listBox->row(selected.front());
}

int TFBallPara::ListTextWidth(TBallParaControl list, std::string_view text) const
{
    return QFontMetrics(List(list)->font()).horizontalAdvance(FromUtf8(text));
}

int TFBallPara::ListWidth(TBallParaControl list) const
{
    return List(list)->width();
}

void TFBallPara::SetListScrollExtent(TBallParaControl list, int extent)
{
    if (extent == 0)
        return;
    // A list view scrolls as far as its widest row, so every row is made as
    // wide as the extent.
    QListWidget* listBox = List(list);
    for (int i = 0; i < listBox->count(); ++i) {
        QListWidgetItem* item = listBox->item(i);
        const QSize hint = item->sizeHint();
        const int height = hint.isValid() ? hint.height() : listBox->sizeHintForRow(i);
        item->setSizeHint(QSize(extent, height));
    }
}

void TFBallPara::ShowPreview(TBallParaControl image, const TDIB& picture)
{
    Widget<QLabel>(image)->setPixmap(QPixmap::fromImage(ToImage(picture)));
}

void TFBallPara::ClearPreview(TBallParaControl image)
{
    Widget<QLabel>(image)->clear();
}

std::optional<TDIB> TFBallPara::DecodePlatformPicture(const std::string& path, std::string_view extension)
{
    // Qt reads icons; metafiles it cannot read.
    if (extension != "ico")
        return std::nullopt;
    return ReadIcon(QString::fromStdString(path));
}

TStringList TFBallPara::ChoosePictureFiles(std::string_view filter, bool multiSelect)
{
    TStringList files;
    for (const QString& file : mServices->OpenPictures(this, QString::fromStdString(ToQtFilter(filter)), multiSelect))
        files.push_back(file.toStdString());
    return files;
}

void TFBallPara::ShowError(std::string_view text)
{
    mServices->ShowError(this, FromUtf8(text));
}

void TFBallPara::ShowNotice(std::string_view text)
{
    mServices->ShowNotice(this, FromUtf8(text));
}

void TFBallPara::Beep()
{
    mServices->Beep();
}

void TFBallPara::Close(bool saved)
{
    if (saved)
        accept();
    else
        reject();
}
