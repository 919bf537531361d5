#pragma once
// The dialog of "Optionen – Daten auf Server übertragen...": a park in a
// folder is copied onto an empty server database, a park on a server into
// a file (a backup); counts before and after, progress, cancel.
#include <QDialog>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TDataModule1;
class TDatabase;
struct TServerAlias;

class TUebertragungDlg : public QDialog {
    Q_OBJECT
public:
    explicit TUebertragungDlg(QWidget* parent = nullptr);
    ~TUebertragungDlg() override;

    QLabel* LblQuelle;
    // Target when the park lies in a folder: the server.
    QGroupBox* GrpServer;
    QLineEdit* EditServer;
    QSpinBox* EditPort;
    QLineEdit* EditDatenbank;
    QLineEdit* EditBenutzer;
    QComboBox* CmbSslMode;
    // Target when the park lies on a server: a folder for the file.
    QGroupBox* GrpOrdner;
    QLineEdit* EditOrdner;
    QPushButton* BtnOrdner;
    QPlainTextEdit* MemoAnzahlen;
    QLabel* LblTabelle;
    QProgressBar* ProgressBar;
    QPushButton* BtnUebertragen;
    QPushButton* BtnAbbrechen;

    void BtnOrdnerClick();
    void BtnUebertragenClick();
    void BtnAbbrechenClick();

    bool ZumServer() const { return m_zumServer; }
    TServerAlias Server() const;

protected:
    // Escape cancels a running copy instead of closing the window.
    void reject() override;

private:
    std::unique_ptr<TDatabase> ZielOeffnen();
    void Fortschritt(const QString& tabelle, qint64 erledigt);
    void Laufend(bool an);
    bool m_zumServer = true;
    bool m_laeuft = false;
    bool m_abbrechen = false;
    qint64 m_gesamt = 0;     // records of the whole park
    qint64 m_fertig = 0;     // records of the tables done
    QString m_tabelle;
    qint64 m_tabelleBisher = 0;
};

// Runs the dialog for the main window.
void DatenAufServerUebertragen(TDataModule1* dm, QWidget* parent);
