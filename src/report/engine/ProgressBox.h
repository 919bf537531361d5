#pragma once
// The engine's progress box: what is printed, how far, and "Abbrechen".
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TEngProgressBox : public QDialog {
    Q_OBJECT
public:
    TEngProgressBox(QWidget* parent, const QString& title);

    void SetText(const QString& text, int percent);
    bool Cancelled() const { return m_cancelled; }

    QLabel* LblText;
    QProgressBar* ProgressBar;
    QPushButton* BtnAbbrechen;

protected:
    // Escape and the title bar's close button cancel as "Abbrechen" does.
    void reject() override;

private:
    void BtnAbbrechenClick();
    bool m_cancelled = false;
};
