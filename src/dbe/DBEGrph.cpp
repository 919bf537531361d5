// The picture viewer.
#include "DBEGrph.h"
#include "Dbeconst.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Guard.h"
#include "Panel.h"
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>

namespace {

const int ZoomSteps[] = {25, 50, 75, 100, 125, 150, 175, 200};

const QString OpenFilter = QStringLiteral(
    "Bilder|*.png;*.jpg;*.jpeg;*.bmp;*.gif|Windows Bitmaps|*.bmp|PNG-Bilder|*.png|JPEG-Bilder|*.jpg;*.jpeg|"
    "Alle Dateien|*.*");
const QString SaveFilter =
    QStringLiteral("Windows Bitmap|*.bmp|PNG-Bild|*.png|JPEG-Bild|*.jpg;*.jpeg");

QByteArray FormatOf(const QByteArray& data)
{
    QBuffer buf;
    buf.setData(data);
    buf.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buf);
}

}   // namespace

TGraphicForm::TGraphicForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly, const QString& fieldLabel)
    : TFieldViewerForm(ext, rec, readOnly), m_label(fieldLabel)
{
    setObjectName(QStringLiteral("GraphicForm"));
    ScrollBox = new QScrollArea(Panel1);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setWidgetResizable(false);
    Image = new QLabel;
    Image->setObjectName(QStringLiteral("Image"));
    Image->setScaledContents(true);
    Image->resize(0, 0);
    ScrollBox->setWidget(Image);
    SetContent(ScrollBox);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto* zoomGroup = new QActionGroup(this);
    zoomGroup->setExclusive(true);
    for (int step : ZoomSteps) {
        QAction* a = PopupMenu1->addAction(QStringLiteral("%1%").arg(step));
        a->setObjectName(QStringLiteral("Zoom%1").arg(step));
        a->setCheckable(true);
        a->setChecked(step == 100);
        a->setData(step);
        zoomGroup->addAction(a);
        ZoomItems.push_back(a);
        connect(a, &QAction::triggered, this, [this, a] { ZoomItemClick(a); });
    }
    PopupMenu1->addSeparator();
    auto item = [this](int textId, const char* name, void (TGraphicForm::*handler)()) {
        QAction* a = PopupMenu1->addAction(DBEString(textId));
        a->setObjectName(QString::fromLatin1(name));
        ConnectGuarded(a, &QAction::triggered, this, handler);
        return a;
    };
    CopyToClip = item(59053, "CopyToClip", &TGraphicForm::CopyToClipClick);
    InsertFromClip = item(59054, "InsertFromClip", &TGraphicForm::InsertFromClipClick);
    Laden1 = item(59055, "Laden1", &TGraphicForm::Laden1Click);
    Speichern1 = item(59056, "Speichern1", &TGraphicForm::Speichern1Click);
    Entfernen1 = item(59057, "Entfernen1", &TGraphicForm::Entfernen1Click);
    // The clipboard may have changed since the last look.
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { InsertFromClip->setEnabled(ClipboardHasPicture()); });
    for (QWidget* w : {static_cast<QWidget*>(ScrollBox->viewport()), static_cast<QWidget*>(Image)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { PopupMenu1->exec(w->mapToGlobal(p)); });
    }

    // The form's outer 385 x 334 less its frame.
    SetClientSize(377, 307);
    PictureChanged();
}

bool TGraphicForm::ClipboardHasPicture()
{
    const QMimeData* m = QApplication::clipboard()->mimeData();
    return m && m->hasImage();
}

void TGraphicForm::SetPictureData(const QByteArray& data)
{
    // Bytes that are no picture are kept, so OK does not lose them.
    m_picture = QImage::fromData(data);
    m_data = data;
    Image->setPixmap(QPixmap::fromImage(m_picture));
    PictureChanged();
}

void TGraphicForm::SetPicture(const QImage& picture, const QByteArray& data)
{
    m_picture = picture;
    m_data = picture.isNull() ? QByteArray() : data;
    Image->setPixmap(QPixmap::fromImage(m_picture));
    PictureChanged();
}

void TGraphicForm::PictureChanged()
{
    const int w = m_picture.width(), h = m_picture.height();
    setWindowTitle(
        DBEFormat(ReadOnly() ? 59051 : 59052, {m_label, QString::number(w), QString::number(h)}));
    Image->resize(int(w * m_zoom), int(h * m_zoom));
    const bool has = HasPicture();
    for (QAction* a : ZoomItems) a->setEnabled(has);
    CopyToClip->setEnabled(has);
    Speichern1->setEnabled(has);
    Entfernen1->setEnabled(has);
    InsertFromClip->setEnabled(ClipboardHasPicture());
}

void TGraphicForm::ZoomItemClick(QAction* item)
{
    item->setChecked(true);
    m_zoom = item->data().toInt() / 100.0;
    PictureChanged();
}

void TGraphicForm::CopyToClipClick()
{
    if (HasPicture()) QApplication::clipboard()->setImage(m_picture);
}

void TGraphicForm::InsertFromClipClick()
{
    if (!ClipboardHasPicture()) return;
    const QImage img = QApplication::clipboard()->image();
    if (img.isNull()) return;
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    SetPicture(img, png);
}

void TGraphicForm::Laden1Click()
{
    const QString file = PromptForFileName(TFileDialogKind::Open, DBEString(59055), OpenFilter, QString());
    if (file.isEmpty()) return;
    QFile f(file);
    QByteArray data;
    if (f.open(QIODevice::ReadOnly)) data = f.readAll();
    const QImage img = QImage::fromData(data);
    if (img.isNull()) {
        MessageDlg(QStringLiteral("Die Datei \"%1\" enthält kein Bild, das gelesen werden kann.")
                       .arg(QDir::toNativeSeparators(file)),
                   mtError, mbOK);
        return;
    }
    SetPicture(img, data);
}

void TGraphicForm::Speichern1Click()
{
    if (!HasPicture()) return;
    const QString file = PromptForFileName(TFileDialogKind::Save, DBEString(59056), SaveFilter, QString(),
                                           QStringLiteral("bmp"));
    if (file.isEmpty()) return;
    QByteArray format = QFileInfo(file).suffix().toLower().toLatin1();
    if (format == "jpeg") format = "jpg";
    QByteArray stored = FormatOf(m_data);
    if (stored == "jpeg") stored = "jpg";
    bool saved;
    if (!format.isEmpty() && format == stored) {
        // Already in that format: the bytes as they are, without recompressing.
        QFile f(file);
        saved = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(m_data) == m_data.size();
    } else {
        QImageWriter writer(file, format);
        saved = writer.canWrite() && writer.write(m_picture);
    }
    if (!saved)
        MessageDlg(QStringLiteral("Das Bild konnte nicht als \"%1\" gespeichert werden.")
                       .arg(QDir::toNativeSeparators(file)),
                   mtError, mbOK);
}

void TGraphicForm::Entfernen1Click() { SetPicture(QImage(), QByteArray()); }

void TGraphicForm::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool copy = (e->key() == Qt::Key_Insert && mods == Qt::ControlModifier) || e->matches(QKeySequence::Copy);
    const bool paste = (e->key() == Qt::Key_Insert && mods == Qt::ShiftModifier) || e->matches(QKeySequence::Paste);
    try {
        if (copy) {
            CopyToClipClick();
            return;
        }
        if (paste) {
            InsertFromClipClick();
            return;
        }
    } catch (...) {
        HandleException(this);
        return;
    }
    TFieldViewerForm::keyPressEvent(e);
}

void ShowGraphicForm(TDBExtender& ext, const TFormEventRec& rec, TField* field, bool readOnly)
{
    if (!field || !field->DataSet()) return;
    TGraphicForm dlg(&ext, rec, readOnly, field->DisplayLabel());
    if (!field->IsNull()) dlg.SetPictureData(field->AsBytes());
    // Read-only: whatever was done in the dialog is dropped.
    if (dlg.exec() != mrOk || readOnly) return;

    TDataSet* ds = field->DataSet();
    if (ds->State() != dsEdit && ds->State() != dsInsert) ds->Edit();
    if (dlg.PictureData().isEmpty()) field->Clear();
    else field->SetValue(dlg.PictureData());
}
