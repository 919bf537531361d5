// The frame the extender's dialogs share: user button, glyphs, border,
// topmost owner, and the show and close-query events.
#include "DBEForm.h"
#include "Dbextend.h"
#include <QPushButton>
#include <QtTest>

namespace {

// The smallest dialog on the frame: one glyph button and the user button.
class TProbeForm : public TDBEForm {
public:
    TProbeForm(TDBExtender* ext, const TFormEventRec& rec) : TDBEForm(ext, rec)
    {
        SetClientSize(200, 100);
        CancelBtn = GlyphButton(bkCancel, QStringLiteral("Abbruch"), QStringLiteral("CancelBtn"));
        SetModalResult(CancelBtn, mrCancel);
        UserBtn = new QPushButton(this);
        FrameButtons(UserBtn, {CancelBtn});
    }
    QPushButton* CancelBtn;
    QPushButton* UserBtn;
};

}   // namespace

class TestDBEForm : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_form = std::make_unique<QWidget>();
        m_ext = new TDBExtender(m_form.get());
    }
    void cleanup() { m_form.reset(); }

    void userButton_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("visible");
        QTest::newRow("no caption: hidden") << QString() << QStringLiteral("Hinweis") << false;
        QTest::newRow("caption only") << QStringLiteral("&Extra") << QString() << true;
        QTest::newRow("caption and hint") << QStringLiteral("&Extra") << QStringLiteral("Hinweis") << true;
    }
    void userButton()
    {
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(bool, visible);
        TFormEventRec rec;
        rec.FormType = fetSearch;
        rec.UserBtnCaption = caption;
        rec.UserBtnHint = hint;
        QObject* clickedBy = nullptr;
        rec.UserBtnClick = [&](QObject* sender) { clickedBy = sender; };
        TProbeForm f(m_ext, rec);
        f.show();
        QCOMPARE(f.UserBtn->objectName(), QStringLiteral("UserBtn"));
        QCOMPARE(f.UserBtn->isVisible(), visible);
        if (!visible) return;
        QCOMPARE(f.UserBtn->text(), caption);
        QCOMPARE(f.UserBtn->toolTip(), hint);
        f.UserBtn->click();
        QCOMPARE(clickedBy, static_cast<QObject*>(f.UserBtn));
        QVERIFY(f.isVisible());   // the user button does not close the dialog
    }

    void hideBtnGlyphs_data()
    {
        QTest::addColumn<bool>("hide");
        QTest::newRow("glyphs shown") << false;
        QTest::newRow("glyphs hidden") << true;
    }
    void hideBtnGlyphs()
    {
        QFETCH(bool, hide);
        m_ext->HideBtnGlyphs = hide;
        TProbeForm f(m_ext, TFormEventRec{});
        QCOMPARE(f.CancelBtn->icon().isNull(), hide);
    }

    void borderStyle_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("dialog") << int(bsDialog) << true;
        QTest::newRow("single") << int(bsSingle) << true;
        QTest::newRow("sizeable") << int(bsSizeable) << false;
    }
    void borderStyle()
    {
        QFETCH(int, border);
        QFETCH(bool, fixed);
        TFormEventRec rec;
        rec.BorderStyle = TFormBorderStyle(border);
        TProbeForm f(m_ext, rec);
        QCOMPARE(f.size(), QSize(200, 100));
        QCOMPARE(f.minimumSize() == f.maximumSize(), fixed);
    }

    void topmostFollowsOwner_data()
    {
        QTest::addColumn<bool>("ownerTopmost");
        QTest::newRow("normal owner") << false;
        QTest::newRow("stay-on-top owner") << true;
    }
    void topmostFollowsOwner()
    {
        QFETCH(bool, ownerTopmost);
        m_form->setWindowFlag(Qt::WindowStaysOnTopHint, ownerTopmost);
        TProbeForm f(m_ext, TFormEventRec{});
        QCOMPARE(f.parentWidget(), m_form.get());
        QCOMPARE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint), ownerTopmost);
    }

    // Show and close-query reach the extender's events with the dialog and
    // its kind; a refused close keeps the dialog open and its result unset.
    void showAndCloseQuery()
    {
        QList<QPair<QWidget*, int>> shown;
        m_ext->OnSpecialFormShow = [&](QWidget* w, TFormEventType t) { shown.append({w, int(t)}); };
        bool allow = false;
        int asked = 0;
        m_ext->OnSpecialFormCloseQuery = [&](QWidget* w, TFormEventType t, bool& canClose) {
            QCOMPARE(t, fetFilter);
            QVERIFY(dynamic_cast<TProbeForm*>(w));
            ++asked;
            canClose = allow;
        };
        TFormEventRec rec;
        rec.FormType = fetFilter;
        TProbeForm f(m_ext, rec);
        f.show();
        QCOMPARE(shown, (QList<QPair<QWidget*, int>>{{&f, int(fetFilter)}}));

        f.CancelBtn->click();
        QCOMPARE(asked, 1);
        QVERIFY(f.isVisible());
        QCOMPARE(f.result(), 0);

        allow = true;
        f.CancelBtn->click();
        QCOMPARE(asked, 2);
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(mrCancel));
    }

    // The modal result of a button is what exec() returns.
    void execReturnsModalResult()
    {
        TProbeForm f(m_ext, TFormEventRec{});
        QTimer::singleShot(0, f.CancelBtn, [&f] { f.CancelBtn->click(); });
        QCOMPARE(f.exec(), int(mrCancel));
    }

private:
    std::unique_ptr<QWidget> m_form;
    TDBExtender* m_ext = nullptr;
};

QTEST_MAIN(TestDBEForm)
#include "tst_dbeform.moc"
