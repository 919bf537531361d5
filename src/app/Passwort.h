#pragma once
// The password dialog: asks for the installation's password.
#include <QDialog>

class QLineEdit;

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);
    QLineEdit* Password;
    QString Text() const;
    // Letters a to z compare without regard to case, all else as typed.
    static bool Matches(const QString& entered, const QString& stored);
protected:
    void showEvent(QShowEvent* e) override;
};
