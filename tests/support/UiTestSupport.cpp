#include "UiTestSupport.h"
#include "DataMod.h"
#include "Session.h"
#include <QMessageBox>

TTestDatabases::TTestDatabases(TContent content)
{
    Session().Reset();
    Session().SetAliasPath(QStringLiteral("Pelmora"), m_shared.path());
    Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_priv.path());
    if (content == ProgramSchema) CreateMissingTables();
}

TTestDatabases::~TTestDatabases()
{
    Session().Reset();
}

bool ShowActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

bool HasFocusIn(QWidget* w)
{
    QWidget* f = QApplication::focusWidget();
    return f && (f == w || w->isAncestorOf(f));
}

void TypeIntoFocus(const QString& text)
{
    for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void KeyIntoFocus(Qt::Key key, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(QApplication::focusWidget(), key, mods);
}

TModalBoxKey::TModalBoxKey(Qt::Key key) : m_key(key), m_timer(new QTimer(this))
{
    m_timer->setInterval(10);
    connect(m_timer, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        m_timer->stop();
        Text = box->text();
        QTest::keyClick(box, m_key);
    });
    m_timer->start();
}
