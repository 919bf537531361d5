#include "OptionsDialog.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

QStringList TEngOptionsDialog::Targets()
{
    QStringList out = QPrinterInfo::availablePrinterNames();
    out.append(EngPdfTarget);
    return out;
}

TEngOptionsDialog::TEngOptionsDialog(QWidget* parent, const QString& text, bool preview,
                                     const TEngPrintSettings& settings)
    : QDialog(parent), m_preview(preview)
{
    setObjectName(QStringLiteral("EngOptionsDialog"));
    setWindowTitle(preview ? QStringLiteral("Vorschau") : QStringLiteral("Drucken"));
    auto* lay = new QVBoxLayout(this);
    LblText = new QLabel(text, this);
    LblText->setObjectName(QStringLiteral("LblText"));
    LblText->setTextFormat(Qt::PlainText);
    QFont bold = LblText->font();
    bold.setBold(true);
    LblText->setFont(bold);
    lay->addWidget(LblText);

    auto* target = new QGroupBox(QStringLiteral("Ausgabe"), this);
    auto* form = new QFormLayout(target);
    CmbDrucker = new QComboBox(target);
    CmbDrucker->setObjectName(QStringLiteral("CmbDrucker"));
    CmbDrucker->setAccessibleName(QStringLiteral("Drucker"));
    CmbDrucker->addItems(Targets());
    const int known = CmbDrucker->findText(settings.Printer);
    const int fallback = CmbDrucker->findText(QPrinterInfo::defaultPrinterName());
    CmbDrucker->setCurrentIndex(known >= 0 ? known : (fallback >= 0 ? fallback : CmbDrucker->count() - 1));
    form->addRow(QStringLiteral("&Drucker:"), CmbDrucker);
    auto* fileRow = new QHBoxLayout;
    EditPdfDatei = new QLineEdit(settings.PdfFile, target);
    EditPdfDatei->setObjectName(QStringLiteral("EditPdfDatei"));
    EditPdfDatei->setAccessibleName(QStringLiteral("PDF-Datei"));
    EditPdfDatei->setMinimumWidth(260);
    BtnPdfDatei = new QPushButton(QStringLiteral("..."), target);
    BtnPdfDatei->setObjectName(QStringLiteral("BtnPdfDatei"));
    BtnPdfDatei->setAccessibleName(QStringLiteral("PDF-Datei wählen"));
    BtnPdfDatei->setToolTip(QStringLiteral("PDF-Datei wählen"));
    fileRow->addWidget(EditPdfDatei, 1);
    fileRow->addWidget(BtnPdfDatei);
    // A row of two widgets takes no buddy by itself.
    auto* lblDatei = new QLabel(QStringLiteral("Da&tei:"), target);
    lblDatei->setBuddy(EditPdfDatei);
    form->addRow(lblDatei, fileRow);
    SpinKopien = new QSpinBox(target);
    SpinKopien->setObjectName(QStringLiteral("SpinKopien"));
    SpinKopien->setAccessibleName(QStringLiteral("Exemplare"));
    SpinKopien->setRange(1, 99);
    SpinKopien->setValue(std::clamp(settings.Copies, 1, 99));
    form->addRow(QStringLiteral("&Exemplare:"), SpinKopien);
    lay->addWidget(target);
    // A preview needs no printer; the printer is chosen when printing from it.
    target->setVisible(!preview);

    auto* pages = new QGroupBox(QStringLiteral("Seiten"), this);
    auto* pl = new QHBoxLayout(pages);
    RadioAlle = new QRadioButton(QStringLiteral("&Alle"), pages);
    RadioAlle->setObjectName(QStringLiteral("RadioAlle"));
    RadioSeiten = new QRadioButton(QStringLiteral("&Seiten"), pages);
    RadioSeiten->setObjectName(QStringLiteral("RadioSeiten"));
    SpinVon = new QSpinBox(pages);
    SpinVon->setObjectName(QStringLiteral("SpinVon"));
    SpinVon->setAccessibleName(QStringLiteral("von Seite"));
    SpinVon->setRange(1, EngAllPages - 1);
    SpinBis = new QSpinBox(pages);
    SpinBis->setObjectName(QStringLiteral("SpinBis"));
    SpinBis->setAccessibleName(QStringLiteral("bis Seite"));
    SpinBis->setRange(1, EngAllPages - 1);
    const bool all = settings.LastPage >= EngAllPages && settings.FirstPage <= 1;
    SpinVon->setValue(std::max(1, settings.FirstPage));
    SpinBis->setValue(all ? std::max(1, settings.FirstPage) : std::max(1, settings.LastPage));
    (all ? RadioAlle : RadioSeiten)->setChecked(true);
    pl->addWidget(RadioAlle);
    pl->addWidget(RadioSeiten);
    pl->addWidget(SpinVon);
    pl->addWidget(new QLabel(QStringLiteral("bis"), pages));
    pl->addWidget(SpinBis);
    pl->addStretch();
    lay->addWidget(pages);

    auto* buttons = new QDialogButtonBox(this);
    BtnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnAbbrechen = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    BtnOK->setDefault(true);
    lay->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(CmbDrucker, &QComboBox::currentIndexChanged, this, [this] { CmbDruckerChange(); });
    connect(BtnPdfDatei, &QPushButton::clicked, this, [this] { BtnPdfDateiClick(); });
    connect(RadioSeiten, &QRadioButton::toggled, this, [this] { RadioSeitenClick(); });
    CmbDruckerChange();
    RadioSeitenClick();
}

void TEngOptionsDialog::CmbDruckerChange()
{
    const bool pdf = CmbDrucker->currentText() == EngPdfTarget;
    EditPdfDatei->setEnabled(pdf);
    BtnPdfDatei->setEnabled(pdf);
    // A PDF file is written once; copies are for paper.
    SpinKopien->setEnabled(!pdf);
}

void TEngOptionsDialog::RadioSeitenClick()
{
    SpinVon->setEnabled(RadioSeiten->isChecked());
    SpinBis->setEnabled(RadioSeiten->isChecked());
}

void TEngOptionsDialog::BtnPdfDateiClick()
{
    const QString start = EditPdfDatei->text().isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                              : QFileInfo(EditPdfDatei->text()).absolutePath();
    const QString file = PromptForFileName(TFileDialogKind::Save, QStringLiteral("PDF-Datei wählen"),
                                           QStringLiteral("PDF-Dateien|*.pdf"), start, QStringLiteral("pdf"));
    if (!file.isEmpty()) EditPdfDatei->setText(file);
}

void TEngOptionsDialog::accept()
{
    if (!m_preview && CmbDrucker->currentText() == EngPdfTarget && EditPdfDatei->text().trimmed().isEmpty()) {
        MessageDlg(QStringLiteral("Bitte geben Sie an, in welche PDF-Datei gedruckt werden soll."), mtWarning, mbOK);
        EditPdfDatei->setFocus();
        return;
    }
    if (RadioSeiten->isChecked() && SpinVon->value() > SpinBis->value()) {
        MessageDlg(QStringLiteral("Die erste Seite liegt hinter der letzten."), mtWarning, mbOK);
        SpinVon->setFocus();
        return;
    }
    QDialog::accept();
}

TEngPrintSettings TEngOptionsDialog::Settings() const
{
    TEngPrintSettings s;
    s.Printer = CmbDrucker->currentText();
    s.PdfFile = EditPdfDatei->text().trimmed();
    s.Copies = SpinKopien->value();
    if (RadioSeiten->isChecked()) {
        s.FirstPage = SpinVon->value();
        s.LastPage = SpinBis->value();
    }
    return s;
}
