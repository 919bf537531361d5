#pragma once
// The dialog of "Datei – Daten übernehmen...": the old program's folders,
// the check with its summary, the confirmation, the progress and the end.
#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TDataModule1;
class TUebernahme;

class TUebernahmeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TUebernahmeDlg(TDataModule1* dm, QWidget* parent = nullptr);
    ~TUebernahmeDlg() override;

    TDataModule1* DM;
    QLineEdit* EditOrdner;
    QPushButton* BtnOrdner;
    QLineEdit* EditPrivatOrdner;
    QPushButton* BtnPrivatOrdner;
    QPushButton* BtnPruefen;
    QPlainTextEdit* MemoBericht;
    QLabel* LblTabelle;
    QProgressBar* ProgressBar;
    QPushButton* BtnUebernehmen;
    QPushButton* BtnAbbrechen;

    void BtnOrdnerClick();
    void BtnPrivatOrdnerClick();
    void BtnPruefenClick();
    void BtnUebernehmenClick();
    void BtnAbbrechenClick();

    // True once the park was replaced.
    bool Uebernommen() const { return m_uebernommen; }

protected:
    // Escape cancels a running pass instead of closing the window.
    void reject() override;

private:
    bool Fortschritt(const QString& tabelle, qint64 position, qint64 gesamt);
    void Laufend(bool an);
    std::unique_ptr<TUebernahme> m_uebernahme;
    bool m_laeuft = false;
    bool m_abbrechen = false;
    bool m_uebernommen = false;
};

// Runs the dialog for the main window; afterwards the window shows the park.
void DatenUebernehmen(TDataModule1* dm, QWidget* parent);
