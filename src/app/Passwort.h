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

// Login at the database server when ~/.pgpass gives no password (or a
// wrong one): user and password, the server's reason shown above.
class TServerLoginDlg : public QDialog {
    Q_OBJECT
public:
    TServerLoginDlg(const QString& server, const QString& reason, QWidget* parent = nullptr);
    QLineEdit* User;
    QLineEdit* Password;
    // The hook the table store calls; shows this dialog.
    static bool Ask(const QString& server, QString& user, QString& password, const QString& reason);
};
