// The field viewers: a memo field in the memo viewer (OK keeps, "Abbruch"
// drops, read-only viewers change nothing, unsaved typing included), a
// picture field in the picture viewer (load, zoom, copy, paste, save,
// remove in the usual formats), and memos and pictures copied whole by
// duplicating a field or a record through the blob stream.
#include "DBEGrph.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBImage.h"
#include "DBMemo.h"
#include "Dbememo.h"
#include "Dbeobj.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include "UiTestSupport.h"
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// A memo longer than the 64000 bytes a search looks at, with umlauts and lines.
QString LongMemo()
{
    QString s;
    for (int i = 0; s.size() < 70000; ++i) s += QStringLiteral("Zeile %1: Ölwechsel für Größe ÄÜ\n").arg(i);
    return s + QStringLiteral("Ende");
}

// 320 x 200 with a different colour in each corner, so a copy shows its origin.
QImage TestPicture()
{
    QImage img(320, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(0, 0, 40, 40, Qt::red);
    p.fillRect(280, 0, 40, 40, Qt::green);
    p.fillRect(0, 160, 40, 40, Qt::blue);
    p.end();
    return img;
}

QByteArray Encoded(const QImage& img, const char* format)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return out;
}

// Two records of Bilder.DB: the first with a long memo and a picture, the
// second without either.
void CreatePictures()
{
    CreateTestTable(QStringLiteral("Bilder.DB"),
                    {{"Nr", ftInteger, 0, true}, {"Name", ftString, 20}, {"Notiz", ftMemo, 240}, {"Bild", ftGraphic, 0}},
                    {{QString(), "Nr", ixPrimary | ixUnique}});
    TTable t;
    OpenTestTable(t, QStringLiteral("Bilder.DB"));
    t.Open();
    t.AppendRecord({1, QStringLiteral("Bagger"), LongMemo(), Encoded(TestPicture(), "PNG")});
    t.AppendRecord({2, QStringLiteral("Kran"), QVariant(), QVariant()});
}

// A data form on the pictures: name, memo, picture and the extender.
class TPictureForm : public QWidget {
public:
    TPictureForm()
    {
        Table = new TTable(this);
        Table->SetDatabaseName(QStringLiteral("Pelmora"));
        Table->SetTableName(QStringLiteral("Bilder.DB"));
        Source = new TDataSource(this);
        Source->SetDataSet(Table);
        auto* lay = new QVBoxLayout(this);
        EditName = new TDBEdit(this);
        EditName->setObjectName(QStringLiteral("EditName"));
        EditName->SetDataSource(Source);
        EditName->SetDataField(QStringLiteral("Name"));
        Memo = new TDBMemo(this);
        Memo->setObjectName(QStringLiteral("Memo"));
        Memo->SetDataSource(Source);
        Memo->SetDataField(QStringLiteral("Notiz"));
        Image = new TDBImage(this);
        Image->setObjectName(QStringLiteral("Image"));
        Image->setFocusPolicy(Qt::StrongFocus);
        Image->SetDataSource(Source);
        Image->SetDataField(QStringLiteral("Bild"));
        Panel = new TPanel(this);
        for (QWidget* w : std::initializer_list<QWidget*>{EditName, Memo, Image, Panel}) lay->addWidget(w);
        Table->Open();
        Ext = new TDBExtender(this);
        Ext->SetMessagePanel(Panel);
        Ext->ErrorBeep = false;
    }
    ~TPictureForm() override
    {
        delete Memo;
        delete Image;
        delete EditName;
    }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        Ext->CheckPoss();
    }
    TField* Field(const char* name) const { return Table->FieldByName(QString::fromLatin1(name)); }
    void GotoNr(int nr)
    {
        for (Table->First(); !Table->Eof() && Table->FieldByName(QStringLiteral("Nr"))->AsInteger() != nr;)
            Table->Next();
    }

    TTable* Table;
    TDataSource* Source;
    TDBEdit* EditName;
    TDBMemo* Memo;
    TDBImage* Image;
    TPanel* Panel;
    TDBExtender* Ext;
};

// Runs act on the extender's dialog of type D once it is up.
template <class D>
void OnDialog(QObject* context, std::function<void(D*)> act)
{
    QTimer::singleShot(0, context, [act] {
        auto* dlg = qobject_cast<D*>(QApplication::activeModalWidget());
        QVERIFY2(dlg, "no dialog of the expected kind");
        act(dlg);
    });
}

}   // namespace

class TestDBEViewers : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestDatabases> m_dbs;
    QTemporaryDir m_files;
    std::unique_ptr<TPictureForm> m_form;
    std::unique_ptr<TDialogRecorder> m_dialogs;
    TFileDialogResponder m_oldFiles;

    TPictureForm& form()
    {
        m_dbs = std::make_unique<TTestDatabases>(TTestDatabases::Empty);
        CreatePictures();
        m_form = std::make_unique<TPictureForm>();
        if (!ShowActive(m_form.get())) qFatal("form not active");
        return *m_form;
    }
    QString TempFile(const QString& name) const { return m_files.filePath(name); }
    // The file dialogs answer with this name.
    void AnswerFiles(const QString& fileName)
    {
        SetFileDialogResponder([fileName](const TFileDialogRecord&) { return fileName; });
    }

private slots:
    void init() { m_dialogs = std::make_unique<TDialogRecorder>(); }
    void cleanup()
    {
        SetFileDialogResponder(nullptr);
        m_form.reset();
        m_dialogs.reset();
        m_dbs.reset();
    }

    // --- the memo viewer

    void memoViewer_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("editable, OK keeps the edit") << false << "OKBtn" << "Bearbeite Memofeld Notiz" << true;
        QTest::newRow("editable, Abbruch drops it") << false << "CancelBtn" << "Bearbeite Memofeld Notiz" << false;
        QTest::newRow("editable, Esc drops it") << false << "Esc" << "Bearbeite Memofeld Notiz" << false;
        QTest::newRow("read-only, OK changes nothing") << true << "OKBtn" << "Ansicht Memofeld Notiz" << false;
    }
    // F2 on the memo shows the whole memo, beyond 64000 bytes; an edit is
    // written into the record on OK only, and never from a read-only viewer.
    void memoViewer()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, press);
        TPictureForm& f = form();
        f.Memo->SetReadOnly(readOnly);
        f.Focus(f.Memo);
        QVERIFY(f.Ext->Possibilities(nbMemoView));
        TFormEventRec offered;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) { offered = rec; };
        QString shown, caption;
        bool memoReadOnly = false, cancelShown = true;
        OnDialog<TMemoForm>(this, [&](TMemoForm* dlg) {
            shown = dlg->Memo->toPlainText();
            caption = dlg->windowTitle();
            memoReadOnly = dlg->Memo->isReadOnly();
            cancelShown = dlg->CancelBtn->isVisible();
            dlg->Memo->moveCursor(QTextCursor::End);
            QTest::keyClicks(dlg->Memo, QStringLiteral(" geprueft"));
            if (press == QLatin1String("Esc")) QTest::keyClick(dlg->Memo, Qt::Key_Escape);
            else dlg->findChild<QPushButton*>(press)->click();
        });
        QTest::keyClick(f.Memo, Qt::Key_F2);
        QCOMPARE(offered.FormType, fetMemo);
        QCOMPARE(offered.Field, f.Field("Notiz"));
        QCOMPARE(shown, LongMemo());
        QTEST(caption, "caption");
        QCOMPARE(memoReadOnly, readOnly);
        QCOMPARE(cancelShown, !readOnly);
        if (QTest::currentDataTag() == QByteArray("editable, OK keeps the edit")) {
            QCOMPARE(f.Table->State(), dsEdit);
            QCOMPARE(f.Field("Notiz")->AsString(), LongMemo() + QStringLiteral(" geprueft"));
            QCOMPARE(f.Memo->toPlainText(), LongMemo() + QStringLiteral(" geprueft"));
            f.Table->Post();
            QCOMPARE(f.Field("Notiz")->AsString(), LongMemo() + QStringLiteral(" geprueft"));
        } else {
            QCOMPARE(f.Table->State(), dsBrowse);
            QCOMPARE(f.Field("Notiz")->AsString(), LongMemo());
        }
    }

    // Typing not yet posted is what the viewer shows, and OK writes the
    // viewer's text back although the typing was never posted.
    void unsavedTypingIsShownAndWrittenBack()
    {
        TPictureForm& f = form();
        f.GotoNr(2);
        f.Focus(f.Memo);
        QTest::keyClicks(f.Memo, QStringLiteral("Neu getippt"));
        QCOMPARE(f.Table->State(), dsEdit);
        QVERIFY(f.Field("Notiz")->IsNull());
        QString shown;
        OnDialog<TMemoForm>(this, [&](TMemoForm* dlg) {
            shown = dlg->Memo->toPlainText();
            dlg->Memo->moveCursor(QTextCursor::End);
            QTest::keyClicks(dlg->Memo, QStringLiteral(" und ergaenzt"));
            dlg->OKBtn->click();
        });
        QTest::keyClick(f.Memo, Qt::Key_F2);
        QCOMPARE(shown, QStringLiteral("Neu getippt"));
        QCOMPARE(f.Field("Notiz")->AsString(), QStringLiteral("Neu getippt und ergaenzt"));
        QCOMPARE(f.Memo->toPlainText(), QStringLiteral("Neu getippt und ergaenzt"));
    }

    void buttonsKeepTheirPlace_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("editable") << false;
        QTest::newRow("read-only") << true;
    }
    // "Abbruch" 4 pixels from the right edge and OK 4 pixels left of it, or
    // OK alone at the edge when read-only; also after the viewer grew.
    void buttonsKeepTheirPlace()
    {
        QFETCH(bool, readOnly);
        TPictureForm& f = form();
        f.Ext->BorderStyleMemo = bsSizeable;
        f.Memo->SetReadOnly(readOnly);
        f.Focus(f.Memo);
        QList<QRect> ok, cancel;
        QList<int> widths;
        OnDialog<TMemoForm>(this, [&](TMemoForm* dlg) {
            for (int w : {427, 640}) {
                dlg->resize(w, 300);
                QApplication::processEvents();
                widths << dlg->width();
                ok << dlg->OKBtn->geometry();
                cancel << dlg->CancelBtn->geometry();
            }
            dlg->reject();
        });
        f.Ext->HandleNBBtn(nbMemoView);
        QCOMPARE(widths.size(), 2);
        for (int i = 0; i < 2; ++i) {
            if (readOnly) {
                QCOMPARE(ok[i].right() + 1, widths[i] - 4);
            } else {
                QCOMPARE(cancel[i].right() + 1, widths[i] - 4);
                QCOMPARE(ok[i].right() + 1, cancel[i].left() - 4);
            }
            QCOMPARE(ok[i].size(), QSize(80, 30));
        }
    }

    void suppressedViewer_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("formType");
        QTest::newRow("memo") << "Memo" << int(fetMemo);
        QTest::newRow("picture") << "Image" << int(fetGraphic);
    }
    // A form that sets Show to False gets no viewer and nothing changes.
    void suppressedViewer()
    {
        QFETCH(QString, control);
        TPictureForm& f = form();
        f.Focus(f.findChild<QWidget*>(control));
        int offered = -1, shown = 0;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            offered = rec.FormType;
            rec.Show = false;
        };
        f.Ext->OnSpecialFormShow = [&](QWidget*, TFormEventType) { ++shown; };
        f.Ext->HandleNBBtn(nbMemoView);
        QTEST(offered, "formType");
        QCOMPARE(shown, 0);
        QCOMPARE(f.Table->State(), dsBrowse);
    }

    // --- the picture viewer

    // A picture loaded into an empty field, zoomed to 50 %, copied, removed
    // and pasted back, then written into the record by OK.
    void pictureLoadZoomCopyPaste()
    {
        TPictureForm& f = form();
        f.GotoNr(2);
        f.Focus(f.Image);
        QVERIFY(f.Ext->Possibilities(nbMemoView));
        const QString file = TempFile(QStringLiteral("bagger.png"));
        QVERIFY(TestPicture().save(file));
        AnswerFiles(file);
        QApplication::clipboard()->clear();

        QStringList captions;
        bool zoomWhenEmpty = true, copyWhenEmpty = true, removeWhenEmpty = true;
        QSize zoomed, zoomedBack;
        QImage copied, pasted;
        bool pasteAfterCopy = false;
        OnDialog<TGraphicForm>(this, [&](TGraphicForm* dlg) {
            captions << dlg->windowTitle();
            zoomWhenEmpty = dlg->ZoomItems[1]->isEnabled();
            copyWhenEmpty = dlg->CopyToClip->isEnabled();
            removeWhenEmpty = dlg->Entfernen1->isEnabled();
            dlg->Laden1->trigger();
            captions << dlg->windowTitle();
            dlg->ZoomItems[1]->trigger();   // 50%
            zoomed = dlg->Image->size();
            captions << dlg->windowTitle();
            QTest::keyClick(dlg, Qt::Key_Insert, Qt::ControlModifier);   // Kopieren
            copied = QApplication::clipboard()->image();
            dlg->Entfernen1->trigger();
            captions << dlg->windowTitle();
            pasteAfterCopy = dlg->InsertFromClip->isEnabled();
            QTest::keyClick(dlg, Qt::Key_Insert, Qt::ShiftModifier);    // Einfügen
            pasted = dlg->Picture();
            dlg->ZoomItems[3]->trigger();   // 100%
            zoomedBack = dlg->Image->size();
            dlg->OKBtn->click();
        });
        QTest::keyClick(f.Image, Qt::Key_F2);
        QCOMPARE(captions, (QStringList{"Bearbeite Grafikfeld Bild (0x0)", "Bearbeite Grafikfeld Bild (320x200)",
                                        "Bearbeite Grafikfeld Bild (320x200)", "Bearbeite Grafikfeld Bild (0x0)"}));
        QVERIFY(!zoomWhenEmpty && !copyWhenEmpty && !removeWhenEmpty);
        QCOMPARE(zoomed, QSize(160, 100));
        QCOMPARE(zoomedBack, QSize(320, 200));
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), TestPicture());
        QVERIFY(pasteAfterCopy);
        QCOMPARE(pasted.convertToFormat(QImage::Format_RGB32), TestPicture());
        QCOMPARE(f.Table->State(), dsEdit);
        QCOMPARE(QImage::fromData(f.Field("Bild")->AsBytes()).convertToFormat(QImage::Format_RGB32), TestPicture());
    }

    void loadKeepsTheFilesFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("PNG") << "png";
        QTest::newRow("JPEG") << "jpg";
        QTest::newRow("BMP") << "bmp";
    }
    // The field takes a loaded file as it is: a photo stays a JPEG.
    void loadKeepsTheFilesFormat()
    {
        QFETCH(QString, format);
        TPictureForm& f = form();
        f.Focus(f.Image);
        const QString file = TempFile(QStringLiteral("bild.") + format);
        QVERIFY(TestPicture().save(file));
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        AnswerFiles(file);
        OnDialog<TGraphicForm>(this, [](TGraphicForm* dlg) {
            dlg->Laden1->trigger();
            dlg->OKBtn->click();
        });
        f.Ext->HandleNBBtn(nbMemoView);
        QCOMPARE(f.Field("Bild")->AsBytes(), bytes);
    }

    void saveWritesTheChosenFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << "aus.png" << QByteArray("png");
        QTest::newRow("jpg") << "aus.jpg" << QByteArray("jpeg");
        QTest::newRow("bmp") << "aus.bmp" << QByteArray("bmp");
    }
    // "Speichern" writes the picture in the format of the name's ending.
    void saveWritesTheChosenFormat()
    {
        QFETCH(QString, name);
        TPictureForm& f = form();
        f.Focus(f.Image);
        const QString file = TempFile(name);
        AnswerFiles(file);
        OnDialog<TGraphicForm>(this, [](TGraphicForm* dlg) {
            dlg->Speichern1->trigger();
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbMemoView);
        QImageReader reader(file);
        QTEST(reader.format(), "format");
        QCOMPARE(reader.size(), QSize(320, 200));
        QVERIFY(m_dialogs->IsEmpty());
    }

    // A file that is no picture is refused with a message; the picture stays.
    void loadingANonPicture()
    {
        TPictureForm& f = form();
        f.Focus(f.Image);
        const QString file = TempFile(QStringLiteral("liesmich.png"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("kein Bild");
        out.close();
        AnswerFiles(file);
        QString caption;
        OnDialog<TGraphicForm>(this, [&](TGraphicForm* dlg) {
            dlg->Laden1->trigger();
            caption = dlg->windowTitle();
            dlg->OKBtn->click();
        });
        f.Ext->HandleNBBtn(nbMemoView);
        QCOMPARE(m_dialogs->Records().size(), 1);
        QCOMPARE(m_dialogs->Last().Type, mtError);
        QVERIFY2(m_dialogs->Last().Text.contains(QStringLiteral("liesmich.png")), qPrintable(m_dialogs->Last().Text));
        QCOMPARE(caption, QStringLiteral("Bearbeite Grafikfeld Bild (320x200)"));
        QCOMPARE(f.Field("Bild")->AsBytes(), Encoded(TestPicture(), "PNG"));
    }

    void removeAndOk_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("editable clears the field") << false << true;
        QTest::newRow("read-only leaves it") << true << false;
    }
    void removeAndOk()
    {
        QFETCH(bool, readOnly);
        TPictureForm& f = form();
        f.Image->SetReadOnly(readOnly);
        f.Focus(f.Image);
        QString caption;
        OnDialog<TGraphicForm>(this, [&](TGraphicForm* dlg) {
            caption = dlg->windowTitle();
            dlg->Entfernen1->trigger();
            dlg->OKBtn->click();
        });
        f.Ext->HandleNBBtn(nbMemoView);
        QCOMPARE(caption, readOnly ? QStringLiteral("Ansicht Grafikfeld Bild (320x200)")
                                   : QStringLiteral("Bearbeite Grafikfeld Bild (320x200)"));
        QTEST(f.Field("Bild")->IsNull(), "cleared");
    }

    // --- copying blobs whole

    // The stream over a record's memo: read piece by piece to the end, from
    // a position, again from the start; no writing; no stream on a text field.
    void blobStream()
    {
        TPictureForm& f = form();
        std::unique_ptr<TEngineCursor> c = f.Table->CloneCursor();
        const TRecordPtr rec = c->GetRecord();
        const QByteArray want = LongMemo().toUtf8();
        TDirectBlobReadStream s(*c, rec, f.Field("Notiz")->FieldNo());
        QCOMPARE(s.size(), qint64(want.size()));
        QByteArray got;
        char buf[4096];
        for (qint64 n; (n = s.read(buf, sizeof buf)) > 0;) got.append(buf, n);
        QCOMPARE(got, want);
        QVERIFY(s.atEnd());
        QVERIFY(s.seek(want.size() - 4));
        QCOMPARE(s.read(4), QByteArray("Ende"));
        QCOMPARE(s.ReadValue(), QVariant(LongMemo()));
        QCOMPARE(s.write("x", 1), qint64(-1));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, TDirectBlobReadStream(*c, rec, f.Field("Name")->FieldNo()));
    }

    void duplicatesCopyBlobsWhole_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("control");
        QTest::newRow("memo field") << int(nbDupField) << "Memo";
        QTest::newRow("picture field") << int(nbDupField) << "Image";
        QTest::newRow("record") << int(nbDupRecord) << "EditName";
    }
    // A memo longer than 64000 bytes and a picture arrive whole in the
    // record that takes them from the first one.
    void duplicatesCopyBlobsWhole()
    {
        QFETCH(int, action);
        QFETCH(QString, control);
        TPictureForm& f = form();
        if (action == nbDupField) f.GotoNr(2);
        f.Focus(f.findChild<QWidget*>(control));
        QVERIFY(f.Ext->Possibilities(TDBENavigateBtn(action)));
        f.Ext->HandleNBBtn(TDBENavigateBtn(action));
        QVERIFY(m_dialogs->IsEmpty());
        QCOMPARE(f.Table->State(), action == nbDupRecord ? dsInsert : dsEdit);
        if (control != QLatin1String("Image")) QCOMPARE(f.Field("Notiz")->AsString(), LongMemo());
        if (control != QLatin1String("Memo")) QCOMPARE(f.Field("Bild")->AsBytes(), Encoded(TestPicture(), "PNG"));
        if (action == nbDupRecord) f.Field("Nr")->SetAsInteger(3);
        f.Table->Post();
        QCOMPARE(f.Table->FieldByName(QStringLiteral("Nr"))->AsInteger(), action == nbDupRecord ? 3 : 2);
        if (control != QLatin1String("Image")) QCOMPARE(f.Field("Notiz")->AsString(), LongMemo());
    }
};

TARVOS_UI_TEST_MAIN(TestDBEViewers)
#include "tst_dbeviewers.moc"
