#include "Fuhrkst.h"
#include "Clock.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "RadioGrp.h"
#include "Utility.h"
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
QLabel* Value(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(90);
    return l;
}
}   // namespace

TFuhrparkKostenFormular::TFuhrparkKostenFormular(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("FuhrparkKostenFormular"));
    setWindowTitle(QStringLiteral("Maschinenpark-Kosten"));
    resize(1000, 660);
    const QDate today = Today();

    auto* lay = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    RadioGrpSicht = new TRadioGroup(this);
    RadioGrpSicht->setObjectName(QStringLiteral("RadioGrpSicht"));
    RadioGrpSicht->setTitle(QStringLiteral("Sichtb. Zeitraum"));
    RadioGrpSicht->setToolTip(QStringLiteral("Bestimmen Sie den Zeitraum für die Berechnung"));
    RadioGrpSicht->SetColumns(3);
    RadioGrpSicht->SetItems({QStringLiteral("Alle"), QStringLiteral("Jahr"), QStringLiteral("Monat")});
    RadioGrpSicht->SetItemIndex(0);
    ComboBoxJahr = new QComboBox(this);
    ComboBoxJahr->setObjectName(QStringLiteral("ComboBoxJahr"));
    ComboBoxJahr->setToolTip(QStringLiteral("Wählen Sie das Jahr für die Berechnung"));
    const QStringList years = YearListItems(today);
    ComboBoxJahr->addItems(years);
    ComboBoxJahr->setCurrentIndex(YearListIndex(years, today));
    ComboBoxJahr->setEnabled(false);
    CmbBoxMonat = new QComboBox(this);
    CmbBoxMonat->setObjectName(QStringLiteral("CmbBoxMonat"));
    CmbBoxMonat->setToolTip(QStringLiteral("Wählen Sie den Monat für die Berechnung"));
    CmbBoxMonat->setMaxVisibleItems(12);
    CmbBoxMonat->addItems(MonthNames());
    CmbBoxMonat->setCurrentIndex(today.month() - 1);
    CmbBoxMonat->setEnabled(false);
    auto red = [](QLabel* l) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(p);
    };
    LblFilter = new QLabel(this);
    LblFilter->setObjectName(QStringLiteral("LblFilter"));
    LblFilter->setToolTip(QStringLiteral(
        "Zeigt den im Hauptformular gesetzten Filter, der auch in diesem Formular wirksam ist"));
    red(LblFilter);
    LblAuswertungszeitraum = new QLabel(this);
    LblAuswertungszeitraum->setObjectName(QStringLiteral("LblAuswertungszeitraum"));
    red(LblAuswertungszeitraum);
    QFont bold = LblAuswertungszeitraum->font();
    bold.setBold(true);
    LblAuswertungszeitraum->setFont(bold);
    auto* labels = new QVBoxLayout;
    labels->addWidget(LblAuswertungszeitraum);
    labels->addWidget(LblFilter);
    top->addWidget(RadioGrpSicht);
    top->addWidget(ComboBoxJahr, 0, Qt::AlignBottom);
    top->addWidget(CmbBoxMonat, 0, Qt::AlignBottom);
    top->addSpacing(16);
    top->addLayout(labels, 1);
    lay->addLayout(top);

    // Grid and chart, divided by a red splitter.
    SplitterFuhrpark = new QSplitter(Qt::Horizontal, this);
    SplitterFuhrpark->setObjectName(QStringLiteral("SplitterFuhrpark"));
    SplitterFuhrpark->setOpaqueResize(true);
    SplitterFuhrpark->setHandleWidth(4);
    SplitterFuhrpark->setStyleSheet(QStringLiteral("QSplitter::handle { background: red; }"));
    SplitterFuhrpark->setChildrenCollapsible(false);
    DBGridFuhrpark = new TDBGrid(SplitterFuhrpark);
    DBGridFuhrpark->setObjectName(QStringLiteral("DBGridFuhrpark"));
    DBGridFuhrpark->setToolTip(QStringLiteral("Grafikgröße ändern - Maus über die rote Linie halten, linke Maustaste "
                                              "drücken und mit gedrückter Maustaste nach links oder rechts ziehen.."));
    DBGridFuhrpark->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs
                               | dgAlwaysShowSelection);
    DBGridFuhrpark->SetReadOnly(true);
    DBGridFuhrpark->SetDataSource(DM->DataSrcFuhrparkKosten);
    DBGridFuhrpark->setMinimumWidth(50);
    DBChartFuhrpark = new QWidget(SplitterFuhrpark);
    DBChartFuhrpark->setObjectName(QStringLiteral("DBChartFuhrpark"));
    DBChartFuhrpark->setMinimumWidth(50);
    DBChartFuhrpark->setAutoFillBackground(true);
    QPalette wall = DBChartFuhrpark->palette();
    wall.setColor(QPalette::Window, Qt::white);
    DBChartFuhrpark->setPalette(wall);
    SplitterFuhrpark->addWidget(DBGridFuhrpark);
    SplitterFuhrpark->addWidget(DBChartFuhrpark);
    SplitterFuhrpark->setSizes({550, 450});
    lay->addWidget(SplitterFuhrpark, 1);

    ProgBarFuhrparkkosten = new QProgressBar(this);
    ProgBarFuhrparkkosten->setObjectName(QStringLiteral("ProgBarFuhrparkkosten"));
    ProgBarFuhrparkkosten->setTextVisible(false);
    ProgBarFuhrparkkosten->hide();
    lay->addWidget(ProgBarFuhrparkkosten);

    // Park totals under the user's names of the cost types, read now.
    auto* totals = new QGroupBox(QStringLiteral("Maschinenpark aufgelaufene Kosten:"), this);
    totals->setObjectName(QStringLiteral("PanSummen"));
    QFont title = totals->font();
    title.setBold(true);
    totals->setFont(title);
    auto* grid = new QGridLayout(totals);
    const char* const names[] = {"NameReparaturkosten", "NameReifenkosten", "NameWartungskosten", "NameUntersuchungskosten",
                                 "NameBenzinkosten", "NameSonstigekosten1", "NameSonstigekosten2", "NameSonstigekosten3"};
    QFont normal = font();
    normal.setBold(false);   // stated, so the bold title does not pass on
    for (int i = 0; i < 8; ++i) {
        TField* f = DM->TTblEinstellungenAllgem->FindField(QString::fromLatin1(names[i]));
        LblKostenName[i] = new QLabel(f ? f->AsString() : QString(), totals);
        LblKostenName[i]->setObjectName(QStringLiteral("LblKostenName%1").arg(i + 1));
        LblKostenName[i]->setFont(normal);
        LblKostenWert[i] = Value(totals, QStringLiteral("LblKostenWert%1").arg(i + 1));
        LblKostenWert[i]->setFont(normal);
        grid->addWidget(LblKostenName[i], 0, i);
        grid->addWidget(LblKostenWert[i], 1, i);
    }
    auto* gesamt = new QLabel(QStringLiteral("Gesamt:"), totals);
    gesamt->setFont(normal);
    LblGesamtKosten = Value(totals, QStringLiteral("LblGesamtKosten"));
    LblGesamtKosten->setFont(normal);
    LblGesamtVerbrauch = Value(totals, QStringLiteral("LblGesamtVerbrauch"));
    LblGesamtVerbrauch->setFont(normal);
    LblGesamtVerbrauch->setToolTip(QStringLiteral("Treibstoffverbrauch in Liter"));
    auto* kosten = new QLabel(QStringLiteral("Kosten"), totals);
    kosten->setFont(normal);
    auto* liter = new QLabel(QStringLiteral("Verbrauch/L."), totals);
    liter->setFont(normal);
    grid->addWidget(gesamt, 2, 0);
    grid->addWidget(kosten, 2, 1, Qt::AlignRight);
    grid->addWidget(LblGesamtKosten, 2, 2);
    grid->addWidget(liter, 2, 3, Qt::AlignRight);
    grid->addWidget(LblGesamtVerbrauch, 2, 4);
    lay->addWidget(totals);

    auto* buttons = new QHBoxLayout;
    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    TBitBtnDrucken = button("TBitBtnDrucken", QStringLiteral("D&rucken"),
                            QStringLiteral("Druckt die Fuhrpark Kosten-/Ertragsübersicht"));
    TBitBtnVorschau = button("TBitBtnVorschau", QStringLiteral("&Vorschau"),
                             QStringLiteral("Zeigt die Druckvorschau der Fuhrpark Kosten-/Ertragsübersicht"));
    TBitBtnSchliessen = button("TBitBtnSchliessen", QStringLiteral("&Schließen"), QStringLiteral("Formular schließen"));
    buttons->addStretch(1);
    buttons->addWidget(TBitBtnDrucken);
    buttons->addWidget(TBitBtnVorschau);
    buttons->addWidget(TBitBtnSchliessen);
    lay->addLayout(buttons);
    connect(TBitBtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
}
