#pragma once
// The engine's options dialog: printer or PDF file, pages and copies.
#include "Engine.h"
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TEngOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // `preview`: the pages go to the preview, so there is no printer to choose.
    TEngOptionsDialog(QWidget* parent, const QString& text, bool preview, const TEngPrintSettings& settings);

    TEngPrintSettings Settings() const;
    // The system's printers and the PDF file, as the list offers them.
    static QStringList Targets();

    QLabel* LblText;
    QComboBox* CmbDrucker;
    QLineEdit* EditPdfDatei;
    QPushButton* BtnPdfDatei;
    QRadioButton* RadioAlle;
    QRadioButton* RadioSeiten;
    QSpinBox* SpinVon;
    QSpinBox* SpinBis;
    QSpinBox* SpinKopien;
    QPushButton* BtnOK;
    QPushButton* BtnAbbrechen;

    void accept() override;

private:
    void CmbDruckerChange();
    void BtnPdfDateiClick();
    void RadioSeitenClick();
    bool m_preview;
};
