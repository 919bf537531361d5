// The table view and its CSV export.
#include "Dbetview.h"
#include "Application.h"
#include "DBFormat.h"
#include "DBGrid.h"
#include "DBGridModel.h"
#include "DBErrors.h"
#include "Dbeconst.h"
#include "FileDialog.h"
#include "Panel.h"
#include "Table.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSettings>
#include <QShowEvent>
#include <QUrl>
#include <memory>

namespace {

const QString CsvCaption = QStringLiteral("Als CSV exportieren");
constexpr int CsvStep = 256;          // records between progress calls
constexpr int CsvProgressFrom = 1000; // smaller tables show no bar

// Decimals a display mask shows: its first section without thousands
// separators, currency or other literals.
QString NumberMask(const QString& displayFormat)
{
    QString mask;
    for (QChar c : displayFormat.section(u';', 0, 0))
        if (c == u'0' || c == u'#' || c == u'.') mask += c;
    return mask;
}

// The user's own settings file of the program.
std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QCoreApplication::organizationName(), QCoreApplication::applicationName());
}

// The view extender holds keys back while a long loop runs.
class TBusyExtender {
public:
    explicit TBusyExtender(TDBExtender* ext) : m_ext(ext) { ++m_ext->BusyCount; }
    ~TBusyExtender() { --m_ext->BusyCount; }
    TBusyExtender(const TBusyExtender&) = delete;
    TBusyExtender& operator=(const TBusyExtender&) = delete;
private:
    TDBExtender* m_ext;
};

}   // namespace

// ------------------------------------------------------------------ CSV

QString CsvText(const TField* field, const QVariant& value)
{
    if (value.isNull()) return QString();
    switch (field->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
        return value.toString();
    case ftFloat:
    case ftBCD:
    case ftCurrency: {
        const double d = value.toDouble();
        const QString mask = NumberMask(field->DisplayFormat());
        if (!mask.isEmpty()) return DBFormat::FormatFloat(mask, d);
        if (field->DataType() == ftCurrency) return DBFormat::FloatToStrFixed(d, 2);
        return DBFormat::FloatToStr(d);
    }
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return QString::number(value.toLongLong());
    case ftBoolean:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return field->FormatValue(value, false);
    default:
        return QString();   // pictures and other binary values
    }
}

QString CsvQuoted(const QString& text)
{
    const bool quote = text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')
        || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote) return text;
    QString out = text;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

void WriteCsv(TDataSet* ds, const QList<TField*>& columns, QIODevice& out,
              const std::function<void(int, int)>& progress)
{
    // A picture of the rows taken now: moves and filter changes meanwhile
    // do not mix two states into one file.
    std::unique_ptr<TEngineCursor> rows = ds->CloneCursor();
    const int total = rows->Count();
    QHash<const TField*, QHash<QString, QString>> lookups;
    for (TField* f : columns)
        if (f->FieldKind() == fkLookup) lookups.insert(f, TDBGridModel::LookupTable(f));

    QByteArray buf("\xEF\xBB\xBF");
    const auto flush = [&](bool always) {
        if (!always && buf.size() < (1 << 16)) return;
        if (out.write(buf) != buf.size())
            throw Exception(QStringLiteral("Die Datei kann nicht geschrieben werden: %1").arg(out.errorString()));
        buf.clear();
    };
    QStringList titles;
    for (TField* f : columns) titles << CsvQuoted(f->DisplayLabel());
    buf += titles.join(u';').toUtf8() + "\r\n";
    QString line;
    for (int pos = 0; pos < total; ++pos) {
        if (progress && pos % CsvStep == 0) progress(pos, total);
        TRecordPtr r = rows->RecordAt(pos);
        if (!r) continue;   // deleted meanwhile by another user
        line.clear();
        for (int c = 0; c < columns.size(); ++c) {
            const TField* f = columns.at(c);
            if (c) line += u';';
            QString text;
            if (f->FieldKind() == fkLookup) {
                const QString key = TDBGridModel::LookupKey(f, *r);
                if (!key.isEmpty()) text = lookups.value(f).value(key);
            } else if (f->FieldNo() > 0) {
                text = CsvText(f, r->value(f->FieldNo() - 1));
            }
            line += CsvQuoted(text);
        }
        line += QStringLiteral("\r\n");
        buf += line.toUtf8();
        flush(false);
    }
    if (progress) progress(total, total);
    flush(true);
}

// ------------------------------------------------------------ the view

TTableViewForm::TTableViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec)
    : TDBEViewForm(caller, ds, rec, {QStringLiteral("TblDBExtender"), QStringLiteral("TVNav"),
                                     QStringLiteral("TVStatusPanel")})
{
    setObjectName(QStringLiteral("TableViewForm"));
    SetClientSize(597, 318);
    Source->setObjectName(QStringLiteral("TblSource"));

    TblGrid = CenterGrid(QStringLiteral("TblGrid"));
    ViewExtender()->FollowEditMode(TblGrid);
    LoadColumnWidths();
    connect(TblGrid, &QAbstractItemView::doubleClicked, this, [this] { OKBtnClick(); });

    CsvBtn = new QPushButton(CsvCaption, BottomPanel);
    CsvBtn->setObjectName(QStringLiteral("CsvBtn"));
    CsvBtn->setAutoDefault(false);
    CsvBtn->setFixedHeight(30);
    CsvBtn->setToolTip(QStringLiteral("Alle Datensätze dieser Ansicht als Tabelle für eine Tabellenkalkulation speichern"));
    static_cast<QHBoxLayout*>(BottomPanel->layout())->insertWidget(2, CsvBtn);
    connect(CsvBtn, &QPushButton::clicked, this, [this] { CsvBtnClick(); });
    CsvProgress = new QProgressBar(StatusPanel);
    CsvProgress->setObjectName(QStringLiteral("CsvProgress"));
    CsvProgress->setFormat(QStringLiteral("%v von %m Datensätzen – Esc bricht ab"));
    CsvProgress->hide();

    setWindowTitle(DBEFormat(59551, {caller ? caller->GetTblDesc(ds) : QString()}));
}

TTableViewForm::~TTableViewForm()
{
    try {
        SaveColumnWidths();
    } catch (...) {
        // Widths not kept are no reason to keep a view open.
    }
}

void TTableViewForm::showEvent(QShowEvent* e)
{
    TDBEViewForm::showEvent(e);
    if (e->spontaneous()) return;
    if (TField* f = CallerField()) TblGrid->SetSelectedField(f);
    TblGrid->setFocus(Qt::OtherFocusReason);
    RefreshCaller();
}

void TTableViewForm::done(int result)
{
    // The export holds the records it is writing.
    if (m_exporting) return;
    TDBEViewForm::done(result);
}

QList<TField*> TTableViewForm::ShownColumns() const
{
    QList<TField*> out;
    const QHeaderView* header = TblGrid->horizontalHeader();
    for (int v = 0; v < header->count(); ++v) {
        const int logical = header->logicalIndex(v);
        if (header->isSectionHidden(logical)) continue;
        if (TField* f = TblGrid->Fields(logical)) out << f;
    }
    return out;
}

QString TTableViewForm::ColumnWidthGroup(TDataSet* ds)
{
    auto* t = qobject_cast<TTable*>(ds);
    if (!t || t->TableName().isEmpty()) return QString();
    const QString id = (t->DatabaseName() + u'/' + t->TableName()).toLower();
    return QStringLiteral("Tabellenansicht/") + QString::fromLatin1(QUrl::toPercentEncoding(id));
}

void TTableViewForm::LoadColumnWidths()
{
    const QString group = ColumnWidthGroup(ShownDataSet());
    if (group.isEmpty()) return;
    const auto s = UserSettings();
    s->beginGroup(group);
    QHash<QString, int> widths;
    for (const QString& key : s->childKeys())
        widths.insert(QUrl::fromPercentEncoding(key.toLatin1()), s->value(key).toInt());
    if (!widths.isEmpty()) TblGrid->SetUserColumnWidths(widths);
}

void TTableViewForm::SaveColumnWidths()
{
    const QString group = ColumnWidthGroup(ShownDataSet());
    const QHash<QString, int> widths = TblGrid->UserColumnWidths();
    if (group.isEmpty() || widths.isEmpty()) return;
    const auto s = UserSettings();
    s->beginGroup(group);
    for (auto it = widths.begin(); it != widths.end(); ++it)
        s->setValue(QString::fromLatin1(QUrl::toPercentEncoding(it.key())), it.value());
}

void TTableViewForm::CsvBtnClick()
{
    try {
        if (!ShownDataSet() || !ShownDataSet()->Active()) return;
        QString name = PromptForFileName(TFileDialogKind::Save, CsvCaption, QStringLiteral("CSV-Dateien|*.csv"),
                                         QString(), QStringLiteral("csv"));
        if (name.isEmpty()) return;
        if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".csv");
        ExportCsv(name);
    } catch (...) {
        HandleException(this);
    }
}

bool TTableViewForm::ExportCsv(const QString& fileName)
{
    TDataSet* ds = ShownDataSet();
    if (!ds || !ds->Active()) return false;
    ds->CheckBrowseMode();
    const QList<TField*> columns = ShownColumns();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                            .arg(QDir::toNativeSeparators(fileName), file.errorString()));

    QScopedValueRollback exporting(m_exporting, true);
    TBusyExtender busy(ViewExtender());
    for (QWidget* w : {static_cast<QWidget*>(TopPanel), static_cast<QWidget*>(TblGrid), static_cast<QWidget*>(CsvBtn)})
        w->setEnabled(false);
    const auto restore = qScopeGuard([this] {
        for (QWidget* w : {static_cast<QWidget*>(TopPanel), static_cast<QWidget*>(TblGrid), static_cast<QWidget*>(CsvBtn)})
            w->setEnabled(true);
        CsvProgress->hide();
    });
    int written = 0;
    try {
        WriteCsv(ds, columns, file, [this, &written](int done, int total) {
            written = done;
            if (total >= CsvProgressFrom) {
                if (!CsvProgress->isVisible()) {
                    CsvProgress->setGeometry(StatusPanel->contentsRect());
                    CsvProgress->setRange(0, total);
                    CsvProgress->show();
                }
                CsvProgress->setValue(done);
            }
            CheckUserAbort();
        });
    } catch (const EUserAbort& e) {
        file.cancelWriting();
        ViewExtender()->ShowMessage(e.Message(), mtInformation);
        return false;
    }
    if (!file.commit())
        throw Exception(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                            .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    ViewExtender()->ShowMessage(QStringLiteral("%1 Datensätze nach %2 exportiert")
                                    .arg(written)
                                    .arg(QFileInfo(fileName).fileName()),
                                mtInformation);
    return true;
}

// ------------------------------------------------------------ opening

void ShowTableView(TDBExtender& caller, TTableDefs* entry, TDataSet* ds, const TFormEventRec& rec)
{
    RunDBEView(caller, entry->TableView, entry->TableViewTable, entry->OpeningTableView, DBEStr::OpenTableView,
               [&] { return new TTableViewForm(&caller, ds, rec); });
}
