#include "Passwort.h"
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("Paßwort-Dialog"));
    // A fixed dialog: a title and a close button, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    auto* lay = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Paßwort eingeben:"), this);
    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setToolTip(QStringLiteral("Bitte Passwort eingeben"));
    Password->setMaxLength(10);
    Password->setEchoMode(QLineEdit::Password);
    Password->setMinimumWidth(220);   // room for the caption in the title bar
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setToolTip(QStringLiteral("Eingabe bestätigen"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setToolTip(QStringLiteral("Vorgang abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(label);
    lay->addWidget(Password);
    lay->addWidget(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QString TPasswordDlg::Text() const { return Password->text(); }

void TPasswordDlg::showEvent(QShowEvent* e)
{
    // Every activation starts with an empty box, in the middle of the screen.
    Password->clear();
    Password->setFocus();
    if (QScreen* sc = screen()) move(sc->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

bool TPasswordDlg::Matches(const QString& entered, const QString& stored)
{
    auto upAscii = [](const QString& s) {
        QString r = s;
        for (QChar& c : r)
            if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
        return r;
    };
    return upAscii(entered) == upAscii(stored);
}

TServerLoginDlg::TServerLoginDlg(const QString& server, const QString& reason, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerLoginDlg"));
    setWindowTitle(QStringLiteral("Anmeldung am Datenbankserver"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* lay = new QVBoxLayout(this);
    auto* where = new QLabel(QStringLiteral("Der Datenbankserver %1 verlangt eine Anmeldung.").arg(server), this);
    where->setObjectName(QStringLiteral("LblServer"));
    auto* why = new QLabel(reason.contains(QLatin1String("password authentication failed"))
                               ? QStringLiteral("Das Passwort wurde nicht angenommen.")
                               : QStringLiteral("Bitte melden Sie sich an."),
                           this);
    why->setObjectName(QStringLiteral("LblGrund"));
    User = new QLineEdit(this);
    User->setObjectName(QStringLiteral("EditBenutzer"));
    User->setAccessibleName(QStringLiteral("Benutzer"));
    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("EditPasswort"));
    Password->setAccessibleName(QStringLiteral("Passwort"));
    Password->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Anmelden"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(where);
    lay->addWidget(why);
    lay->addWidget(new QLabel(QStringLiteral("Benutzer:"), this));
    lay->addWidget(User);
    lay->addWidget(new QLabel(QStringLiteral("Passwort:"), this));
    lay->addWidget(Password);
    lay->addWidget(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool TServerLoginDlg::Ask(const QString& server, QString& user, QString& password, const QString& reason)
{
    TServerLoginDlg dlg(server, reason);
    dlg.User->setText(user);
    if (!user.isEmpty()) dlg.Password->setFocus();
    if (dlg.exec() != QDialog::Accepted) return false;
    user = dlg.User->text().trimmed();
    password = dlg.Password->text();
    return true;
}
