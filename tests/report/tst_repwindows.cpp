// The engine's windows: the options dialog, the progress box with
// "Abbrechen" and the preview with its pages, zoom, saving and the actions
// a job can take away.
#include "Dialogs.h"
#include "FileDialog.h"
#include "OptionsDialog.h"
#include "PreviewWindow.h"
#include "ProgressBox.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfView>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A PDF of `pages` pages, each saying its number.
QString MakePdf(const QString& file, int pages)
{
    QPdfWriter w(file);
    QPainter p(&w);
    for (int i = 1; i <= pages; ++i) {
        if (i > 1) w.newPage();
        p.drawText(QPointF(200, 400), QStringLiteral("Seite %1").arg(i));
    }
    return file;
}

}   // namespace

class TestRepWindows : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void cleanup() { SetFileDialogResponder({}); }

    void optionsDialogOffersPdfAndPages()
    {
        TEngPrintSettings in;
        in.Printer = QStringLiteral("gibt es nicht");
        TEngOptionsDialog dlg(nullptr, QStringLiteral("Drucke\nCa. 3 Seite(n)"), false, in);
        QCOMPARE(dlg.LblText->text(), QStringLiteral("Drucke\nCa. 3 Seite(n)"));
        QVERIFY(TEngOptionsDialog::Targets().contains(EngPdfTarget));
        // An unknown printer falls back to the system's default, else the PDF file.
        QVERIFY(!dlg.CmbDrucker->currentText().isEmpty());
        dlg.CmbDrucker->setCurrentIndex(dlg.CmbDrucker->findText(EngPdfTarget));
        QVERIFY(dlg.EditPdfDatei->isEnabled());
        QVERIFY(!dlg.SpinKopien->isEnabled());
        QVERIFY(dlg.RadioAlle->isChecked());
        QVERIFY(!dlg.SpinVon->isEnabled());
        SetFileDialogResponder([&](const TFileDialogRecord& r) {
            return r.Kind == TFileDialogKind::Save ? m_dir.filePath(QStringLiteral("liste.pdf")) : QString();
        });
        dlg.BtnPdfDatei->click();
        QCOMPARE(dlg.EditPdfDatei->text(), m_dir.filePath(QStringLiteral("liste.pdf")));
        dlg.RadioSeiten->setChecked(true);
        dlg.SpinVon->setValue(2);
        dlg.SpinBis->setValue(4);
        const TEngPrintSettings s = dlg.Settings();
        QCOMPARE(s.Printer, EngPdfTarget);
        QCOMPARE(s.PdfFile, m_dir.filePath(QStringLiteral("liste.pdf")));
        QCOMPARE(s.FirstPage, 2);
        QCOMPARE(s.LastPage, 4);
        dlg.RadioAlle->setChecked(true);
        QCOMPARE(dlg.Settings().LastPage, EngAllPages);
    }

    void optionsDialogRefusesWhatCannotPrint_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("keine Datei") << QString() << 0 << 0 << "Bitte geben Sie an, in welche PDF-Datei gedruckt werden soll.";
        QTest::newRow("von hinter bis") << "x.pdf" << 3 << 2 << "Die erste Seite liegt hinter der letzten.";
        QTest::newRow("in Ordnung") << "x.pdf" << 2 << 3 << QString();
    }
    void optionsDialogRefusesWhatCannotPrint()
    {
        QFETCH(QString, file);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, message);
        TEngPrintSettings in;
        in.Printer = EngPdfTarget;
        TEngOptionsDialog dlg(nullptr, QString(), false, in);
        dlg.EditPdfDatei->setText(file);
        if (from) {
            dlg.RadioSeiten->setChecked(true);
            dlg.SpinVon->setValue(from);
            dlg.SpinBis->setValue(to);
        }
        TDialogRecorder dialogs;
        dlg.accept();
        QCOMPARE(dlg.result(), message.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(dialogs.Last().Text, message);
    }

    void previewOptionsAskOnlyForPages()
    {
        TEngOptionsDialog dlg(nullptr, QStringLiteral("Drucke in Vorschau\nCa. 1 Seite(n)"), true, {});
        dlg.show();
        QVERIFY(!dlg.CmbDrucker->isVisible());
        QVERIFY(dlg.SpinVon->isVisible());
        dlg.EditPdfDatei->clear();
        TDialogRecorder dialogs;
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(dialogs.IsEmpty());
    }

    void progressBoxCancels_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Abbrechen") << false;
        QTest::newRow("Escape") << true;
    }
    void progressBoxCancels()
    {
        QFETCH(bool, escape);
        TEngProgressBox box(nullptr, QStringLiteral("Drucke..."));
        box.show();
        box.SetText(QStringLiteral("Drucke auf PDF-Datei"), 140);
        QCOMPARE(box.LblText->text(), QStringLiteral("Drucke auf PDF-Datei"));
        QCOMPARE(box.ProgressBar->value(), 100);
        QVERIFY(!box.Cancelled());
        if (escape) QTest::keyClick(&box, Qt::Key_Escape);
        else QTest::mouseClick(box.BtnAbbrechen, Qt::LeftButton);
        QVERIFY(box.Cancelled());
        QVERIFY(!box.BtnAbbrechen->isEnabled());
        QVERIFY(box.isVisible());   // it closes when the job has stopped
    }

    void previewPagesAndZooms()
    {
        const QString pdf = MakePdf(m_dir.filePath(QStringLiteral("drei.pdf")), 3);
        TEngPreviewWindow w(nullptr, pdf, QStringLiteral("Liste"), {}, {});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.PageCount(), 3);
        QCOMPARE(w.LblSeiten->text().trimmed(), QStringLiteral("von 3"));
        QCOMPARE(w.CurrentPage(), 0);
        QVERIFY(!w.ActVorigeSeite->isEnabled());
        w.ActNaechsteSeite->trigger();
        QCOMPARE(w.CurrentPage(), 1);
        QCOMPARE(w.SpinSeite->value(), 2);
        w.ActLetzteSeite->trigger();
        QCOMPARE(w.CurrentPage(), 2);
        QVERIFY(!w.ActNaechsteSeite->isEnabled());
        w.SpinSeite->setValue(1);
        QCOMPARE(w.CurrentPage(), 0);

        QCOMPARE(w.View->zoomMode(), QPdfView::ZoomMode::FitToWidth);
        w.ActGanzeSeite->trigger();
        QCOMPARE(w.View->zoomMode(), QPdfView::ZoomMode::FitInView);
        QVERIFY(w.ActGanzeSeite->isChecked());
        w.SetZoomFactor(1.0);
        QCOMPARE(w.CmbZoom->currentText(), QStringLiteral("100 %"));
        w.ActVergroessern->trigger();
        QCOMPARE(w.ZoomFactor(), 1.25);
        w.ActVerkleinern->trigger();
        w.ActVerkleinern->trigger();
        QCOMPARE(w.ZoomFactor(), 0.75);
        w.SetZoomFactor(4.0);
        QVERIFY(!w.ActVergroessern->isEnabled());
        w.CmbZoom->setEditText(QStringLiteral("60 %"));
        emit w.CmbZoom->lineEdit()->editingFinished();
        QCOMPARE(w.ZoomFactor(), 0.6);
    }

    void previewStartZoomIsAShareOfThePageWidth_data()
    {
        QTest::addColumn<int>("zoom");        // as the binding sends it
        QTest::addColumn<double>("share");    // of the page width fitting the window; 0: stays fitted
        QTest::newRow("Vorgabe 100") << 100 << 0.0;
        QTest::newRow("nicht gesendet") << -1 << 0.0;
        QTest::newRow("halbe Breite") << 50 << 0.5;
        QTest::newRow("doppelte Breite") << 200 << 2.0;
    }
    void previewStartZoomIsAShareOfThePageWidth()
    {
        QFETCH(int, zoom);
        QFETCH(double, share);
        const QString pdf = MakePdf(m_dir.filePath(QStringLiteral("zoom.pdf")), 2);
        TEngPreviewWindow w(nullptr, pdf, QStringLiteral("Liste"), {}, {});
        w.ApplyAppearance(zoom, -1, -1, 700, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (share == 0) {
            QCOMPARE(w.View->zoomMode(), QPdfView::ZoomMode::FitToWidth);
            QCOMPARE(w.CmbZoom->currentText(), QStringLiteral("Seitenbreite"));
        } else {
            QCOMPARE(w.View->zoomMode(), QPdfView::ZoomMode::Custom);
            QVERIFY2(qAbs(w.ZoomFactor() - share * w.FitWidthFactor()) < 0.01,
                     qPrintable(QStringLiteral("%1 / %2").arg(w.ZoomFactor()).arg(w.FitWidthFactor())));
        }
    }

    void zoomStepsStartFromTheFittedPage()
    {
        const QString pdf = MakePdf(m_dir.filePath(QStringLiteral("stufen.pdf")), 1);
        TEngPreviewWindow w(nullptr, pdf, QStringLiteral("Liste"), {}, {});
        w.resize(700, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const double fitted = w.FitWidthFactor();
        QVERIFY(w.ActVerkleinern->isEnabled());
        QVERIFY(w.ActVergroessern->isEnabled());
        w.ActVergroessern->trigger();
        QVERIFY2(w.ZoomFactor() > fitted, qPrintable(QString::number(w.ZoomFactor())));
        w.FitWidth();
        w.ActVerkleinern->trigger();
        QVERIFY2(w.ZoomFactor() < fitted, qPrintable(QString::number(w.ZoomFactor())));
    }

    void previewSavesAPdf_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("mit Endung") << "kopie.pdf" << "kopie.pdf";
        QTest::newRow("ohne Endung") << "kopie2" << "kopie2.pdf";
    }
    void previewSavesAPdf()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        const QString pdf = MakePdf(m_dir.filePath(QStringLiteral("zwei.pdf")), 2);
        TEngPreviewWindow w(nullptr, pdf, QString(), {}, {});
        SetFileDialogResponder([&](const TFileDialogRecord&) { return m_dir.filePath(chosen); });
        w.ActPdfSpeichern->trigger();
        QFile a(pdf), b(m_dir.filePath(written));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
    }

    void prohibitedActionsAreGone()
    {
        const QString pdf = MakePdf(m_dir.filePath(QStringLiteral("eins.pdf")), 1);
        int printed = 0;
        auto print = [&](QWidget*) { ++printed; };
        {
            TEngPreviewWindow all(nullptr, pdf, QString(), {}, print);
            all.show();
            for (QAction* a : {all.ActDrucken, all.ActPdfSpeichern, all.ActSeiteKopieren, all.ActSeiteAlsBild})
                QVERIFY2(a->isVisible(), qPrintable(a->objectName()));
            all.ActDrucken->trigger();
            QCOMPARE(printed, 1);
            all.ActSeiteKopieren->trigger();
            QVERIFY(!QApplication::clipboard()->image().isNull());
            SetFileDialogResponder([&](const TFileDialogRecord&) { return m_dir.filePath(QStringLiteral("seite")); });
            all.ActSeiteAlsBild->trigger();
            QVERIFY(!QImage(m_dir.filePath(QStringLiteral("seite.png"))).isNull());
        }
        TEngPreviewWindow job(nullptr, pdf, QString(), {evaCopyPage, evaSavePageImage}, print);
        job.show();
        QVERIFY(!job.ActSeiteKopieren->isVisible());
        QVERIFY(!job.ActSeiteAlsBild->isVisible());
        QVERIFY(job.ActDrucken->isVisible() && job.ActPdfSpeichern->isVisible());
        TEngPreviewWindow none(nullptr, pdf, QString(), {evaPrint, evaSavePdf}, {});
        QVERIFY(!none.ActDrucken->isVisible() && !none.ActPdfSpeichern->isVisible());
    }
};

QTEST_MAIN(TestRepWindows)
#include "tst_repwindows.moc"
