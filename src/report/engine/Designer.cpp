#include "Designer.h"
#include "Application.h"
#include "Clock.h"
#include "Dialogs.h"
#include "Engine.h"
#include "Expr.h"
#include "FileDialog.h"
#include "Guard.h"
#include "LayoutFile.h"
#include "PreviewWindow.h"
#include "Render.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString ClipboardType = QStringLiteral("application/x-tarvos-layout-objekte");
constexpr int RoleReference = Qt::UserRole;
constexpr int RoleName = Qt::UserRole + 1;
// Contents longer than this are cut in the list; the job keeps them whole.
constexpr int ShownContents = 80;

// The field list hands its entries to the page as placeholders.
class TFieldTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    QStringList mimeTypes() const override { return {TDesignCanvas::MimeType}; }
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override
    {
        if (items.isEmpty() || items.first()->data(0, RoleReference).toString().isEmpty()) return nullptr;
        auto* m = new QMimeData;
        const QTreeWidgetItem* it = items.first();
        m->setData(TDesignCanvas::MimeType,
                   (it->data(0, RoleReference).toString() + u'\n' + it->data(0, RoleName).toString()).toUtf8());
        m->setText(QStringLiteral("{%1}").arg(it->data(0, RoleReference).toString()));
        return m;
    }
};

// The job's values while the preview is laid out.
class TJobValues : public TValueSource {
public:
    explicit TJobValues(int job) : m_job(job) {}
    QString Field(const QString& name) const override { return EngFieldContents(m_job, name); }
    QString Variable(const QString& name) const override { return EngVariableContents(m_job, name); }

private:
    int m_job;
};

QString TemplateProblem(const QString& text)
{
    TTextTemplate t;
    QString why;
    return t.Parse(text, &why) ? QString() : why;
}

QString ExprProblem(const QString& text)
{
    TExpr e;
    QString why;
    return e.Parse(text, &why) ? QString() : why;
}

constexpr int ZoomSteps[] = {50, 60, 75, 90, 100, 125, 150, 200, 300, 400};

const QStringList AlignNames{QStringLiteral("Links"), QStringLiteral("Zentriert"), QStringLiteral("Rechts")};

struct TPaperSize { const char* Name; double W, H; };
constexpr TPaperSize Papers[] = {{"A4", 210, 297}, {"A3", 297, 420}, {"A5", 148, 210}, {"Letter", 215.9, 279.4},
                                 {"Legal", 215.9, 355.6}};

}   // namespace

// ------------------------------------------------------------------- window

TEngDesignerWindow::TEngDesignerWindow(QWidget* parent, int job, const QString& title, TLayoutType type,
                                       const QString& file)
    : QDialog(parent), m_job(job), m_title(title), m_file(file)
{
    setObjectName(QStringLiteral("EngDesignerWindow"));
    setWindowTitle(QStringLiteral("%1 - %2[*]").arg(title.isEmpty() ? QStringLiteral("Report-Designer") : title, file));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    QString why;
    const QString path = QDir::current().absoluteFilePath(file);
    const bool existed = QFileInfo::exists(path);
    const bool loaded = Design.Load(path, type, &why);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    lay->addWidget(ToolBar);
    m_bar = ToolBar;

    ActSpeichern = AddAction("ActSpeichern", QStringLiteral("Speichern"), QStringLiteral("Layout speichern"),
                             QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Save(); });
    ActVorschau = AddAction("ActVorschau", QStringLiteral("Vorschau"),
                            QStringLiteral("Das Layout mit den aktuellen Inhalten in der Vorschau zeigen"), QKeySequence(),
                            [this] { Preview(); });
    ToolBar->addSeparator();
    ActRueckgaengig = AddAction("ActRueckgaengig", QStringLiteral("Rückgängig"), QStringLiteral("Letzte Änderung zurücknehmen"),
                                QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { Undo(); });
    ActWiederholen = AddAction("ActWiederholen", QStringLiteral("Wiederholen"),
                               QStringLiteral("Zurückgenommene Änderung wiederholen"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                               [this] { Redo(); });
    ActWiederholen->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    ToolBar->addSeparator();
    ActAusschneiden = AddAction("ActAusschneiden", QStringLiteral("Ausschneiden"),
                                QStringLiteral("Markierte Objekte in die Zwischenablage verschieben"),
                                QKeySequence(Qt::CTRL | Qt::Key_X), [this] {
                                    CopySelection();
                                    DeleteSelection();
                                });
    ActKopieren = AddAction("ActKopieren", QStringLiteral("Kopieren"), QStringLiteral("Markierte Objekte kopieren"),
                            QKeySequence(Qt::CTRL | Qt::Key_C), [this] { CopySelection(); });
    ActEinfuegen = AddAction("ActEinfuegen", QStringLiteral("Einfügen"), QStringLiteral("Objekte aus der Zwischenablage einfügen"),
                             QKeySequence(Qt::CTRL | Qt::Key_V), [this] { PasteClipboard(); });
    ActLoeschen = AddAction("ActLoeschen", QStringLiteral("Löschen"), QStringLiteral("Markierte Objekte löschen"),
                            QKeySequence(Qt::Key_Delete), [this] { DeleteSelection(); });
    ActNachVorne = AddAction("ActNachVorne", QStringLiteral("Nach vorne"), QStringLiteral("In den Vordergrund bringen"),
                             QKeySequence(), [this] {
                                 Canvas->Select(Design.BringToFront(Canvas->Selection()));
                                 DesignChanged();
                             });
    ActNachHinten = AddAction("ActNachHinten", QStringLiteral("Nach hinten"), QStringLiteral("In den Hintergrund stellen"),
                              QKeySequence(), [this] {
                                  Canvas->Select(Design.SendToBack(Canvas->Selection()));
                                  DesignChanged();
                              });
    ToolBar->addSeparator();
    ActSchliessen = AddAction("ActSchliessen", QStringLiteral("Schließen"), QStringLiteral("Designer schließen"),
                              QKeySequence(), [this] { close(); });
    // Second row: what goes on the page and how the page is shown.
    ToolBarObjekte = new QToolBar(this);
    ToolBarObjekte->setObjectName(QStringLiteral("ToolBarObjekte"));
    ToolBarObjekte->setToolButtonStyle(Qt::ToolButtonTextOnly);
    lay->addWidget(ToolBarObjekte);
    m_bar = ToolBarObjekte;
    auto* neu = new QLabel(QStringLiteral(" Neu: "), ToolBarObjekte);
    ToolBarObjekte->addWidget(neu);
    ActText = AddAction("ActText", QStringLiteral("Text"), QStringLiteral("Text einfügen: auf die Seite klicken oder ziehen"),
                        QKeySequence(), [this] { Canvas->BeginInsert(TObjectKind::Text); });
    ActLinie = AddAction("ActLinie", QStringLiteral("Linie"), QStringLiteral("Linie einfügen: auf der Seite ziehen"),
                         QKeySequence(), [this] { Canvas->BeginInsert(TObjectKind::Line); });
    ActRechteck = AddAction("ActRechteck", QStringLiteral("Rechteck"), QStringLiteral("Rechteck einfügen: auf der Seite ziehen"),
                            QKeySequence(), [this] { Canvas->BeginInsert(TObjectKind::Rect); });
    ActBild = AddAction("ActBild", QStringLiteral("Bild"), QStringLiteral("Bild einfügen: auf der Seite ziehen"),
                        QKeySequence(), [this] { Canvas->BeginInsert(TObjectKind::Picture); });
    ActSpalte = AddAction("ActSpalte", QStringLiteral("Spalte"), QStringLiteral("Tabellenspalte einfügen"), QKeySequence(),
                          [this] { InsertColumn(); });
    ToolBarObjekte->addSeparator();
    ActRaster = AddAction("ActRaster", QStringLiteral("Raster"), QStringLiteral("Raster zeigen"), QKeySequence(), nullptr);
    ActRaster->setCheckable(true);
    ActRaster->setChecked(true);
    ActAmRaster = AddAction("ActAmRaster", QStringLiteral("Am Raster ausrichten"),
                            QStringLiteral("Objekte beim Verschieben am Raster (2,5 mm) ausrichten"), QKeySequence(), nullptr);
    ActAmRaster->setCheckable(true);
    ActAmRaster->setChecked(true);
    CmbZoom = new QComboBox(ToolBarObjekte);
    CmbZoom->setObjectName(QStringLiteral("CmbZoom"));
    CmbZoom->setAccessibleName(QStringLiteral("Zoom"));
    CmbZoom->setToolTip(QStringLiteral("Zoom (Strg+Mausrad)"));
    for (int step : ZoomSteps) CmbZoom->addItem(QStringLiteral("%1 %").arg(step), step);
    ToolBarObjekte->addWidget(CmbZoom);
    auto* zoomIn = new QAction(this);
    zoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    auto* zoomOut = new QAction(this);
    zoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    addAction(zoomIn);
    addAction(zoomOut);
    connect(zoomIn, &QAction::triggered, this, [this] { SetZoomPercent(int(Canvas->Zoom() * 125 + 0.5)); });
    connect(zoomOut, &QAction::triggered, this, [this] { SetZoomPercent(int(Canvas->Zoom() * 80 + 0.5)); });
    ActInhalte = AddAction("ActInhalte", QStringLiteral("Inhalte zeigen"),
                           QStringLiteral("Platzhalter mit den aktuellen Inhalten zeigen"), QKeySequence(), nullptr);
    ActInhalte->setCheckable(true);
    ActSpalte->setVisible(Design.Layout().Type == TLayoutType::List);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("Splitter"));
    lay->addWidget(split, 1);
    Canvas = new TDesignCanvas(Design, nullptr);
    Canvas->Values = [this](bool field, const QString& name) { return Contents(field, name); };
    Scroll = new QScrollArea(split);
    Scroll->setObjectName(QStringLiteral("Scroll"));
    Scroll->setWidget(Canvas);
    Scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Scroll->setBackgroundRole(QPalette::Dark);
    split->addWidget(Scroll);

    auto* side = new QSplitter(Qt::Vertical, split);
    GrpEigenschaften = new QGroupBox(QStringLiteral("Eigenschaften"), side);
    GrpEigenschaften->setObjectName(QStringLiteral("GrpEigenschaften"));
    auto* groupLay = new QVBoxLayout(GrpEigenschaften);
    groupLay->setContentsMargins(2, 2, 2, 2);
    // Long panels (a column has many properties) scroll instead of being cut.
    auto* panelScroll = new QScrollArea(GrpEigenschaften);
    panelScroll->setObjectName(QStringLiteral("ScrollEigenschaften"));
    panelScroll->setWidgetResizable(true);
    panelScroll->setFrameShape(QFrame::NoFrame);
    groupLay->addWidget(panelScroll);
    m_panelHost = new QWidget(panelScroll);
    panelScroll->setWidget(m_panelHost);
    auto* props = new QVBoxLayout(m_panelHost);
    LblFehler = new QLabel(m_panelHost);
    LblFehler->setObjectName(QStringLiteral("LblFehler"));
    LblFehler->setWordWrap(true);
    LblFehler->setStyleSheet(QStringLiteral("color: #b00000"));
    LblFehler->hide();
    props->addWidget(LblFehler);
    props->addStretch(1);
    auto* fields = new QGroupBox(QStringLiteral("Variablen und Felder"), side);
    fields->setObjectName(QStringLiteral("GrpFelder"));
    auto* fieldLay = new QVBoxLayout(fields);
    EditSuche = new QLineEdit(fields);
    EditSuche->setObjectName(QStringLiteral("EditSuche"));
    EditSuche->setAccessibleName(QStringLiteral("Variablen und Felder suchen"));
    EditSuche->setPlaceholderText(QStringLiteral("Suchen..."));
    EditSuche->setClearButtonEnabled(true);
    fieldLay->addWidget(EditSuche);
    TreeFelder = new TFieldTree(fields);
    TreeFelder->setObjectName(QStringLiteral("TreeFelder"));
    TreeFelder->setAccessibleName(QStringLiteral("Variablen und Felder"));
    TreeFelder->setToolTip(QStringLiteral("Doppelklick oder auf die Seite ziehen: als Platzhalter einfügen"));
    TreeFelder->setColumnCount(2);
    TreeFelder->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Inhalt")});
    TreeFelder->setDragEnabled(true);
    TreeFelder->setDragDropMode(QAbstractItemView::DragOnly);
    TreeFelder->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    fieldLay->addWidget(TreeFelder);
    side->addWidget(GrpEigenschaften);
    side->addWidget(fields);
    side->setStretchFactor(0, 3);
    side->setStretchFactor(1, 2);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setSizes({800, 380});

    LblStatus = new QLabel(this);
    LblStatus->setObjectName(QStringLiteral("LblStatus"));
    LblStatus->setContentsMargins(6, 2, 6, 2);
    lay->addWidget(LblStatus);

    connect(ActRaster, &QAction::toggled, this, [this](bool on) { Canvas->SetShowGrid(on); });
    connect(ActAmRaster, &QAction::toggled, this, [this](bool on) { Design.SnapToGrid = on; });
    connect(ActInhalte, &QAction::toggled, this, [this](bool on) { Canvas->SetShowContents(on); });
    connect(CmbZoom, &QComboBox::activated, this, [this](int i) { SetZoomPercent(CmbZoom->itemData(i).toInt()); });
    connect(TreeFelder, &QTreeWidget::itemDoubleClicked, this, [this] { TreeFelderDoubleClick(); });
    connect(EditSuche, &QLineEdit::textChanged, this, [this](const QString& text) { EditSucheChange(text); });
    connect(EditSuche, &QLineEdit::returnPressed, this, [this] {
        // Enter takes the first entry found, as a double click would.
        for (QTreeWidgetItemIterator it(TreeFelder, QTreeWidgetItemIterator::NoChildren); *it; ++it)
            if (!(*it)->isHidden() && (*it)->parent()) {
                TreeFelder->setCurrentItem(*it);
                TreeFelderDoubleClick();
                return;
            }
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateActions(); });
    Canvas->OnChanged = [this] { DesignChanged(); };
    Canvas->OnSelectionChanged = [this] { DesignChanged(); };
    Canvas->OnInsert = [this](TObjectKind kind, TDesignArea area, const QRectF& r) { InsertObject(kind, area, r); };
    Canvas->OnDropReference = [this](const QString& ref, const QString& name, const QPointF& at) {
        InsertReference(ref, name, &at);
    };
    Canvas->OnDoubleClick = [this](const TDesignItem&) {
        for (const char* name : {"EditText", "EditUeberschrift", "EditDatei"})
            if (QWidget* w = Property(QString::fromLatin1(name))) {
                w->setFocus();
                return;
            }
    };
    Canvas->OnMouseAt = [this](const QPointF& p) {
        LblStatus->setText(QStringLiteral("X %1 mm   Y %2 mm").arg(QLocale().toString(p.x(), 'f', 1), QLocale().toString(p.y(), 'f', 1)));
    };

    FillFieldList();
    Canvas->Select({}, Design.Layout().Type == TLayoutType::List ? TDesignArea::Header : TDesignArea::Page);
    SetZoomPercent(100);
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect();
    resize(screen.isValid() ? QSize(std::min(1280, screen.width() * 9 / 10), screen.height() * 9 / 10) : QSize(1200, 900));
    DesignChanged();
    Canvas->setFocus();

    if (!loaded) {
        if (existed)
            MessageDlg(QStringLiteral("Das Layout \"%1\" kann nicht gelesen werden:\r%2\r\r"
                                      "Der Designer zeigt eine leere Seite. Erst \"Speichern\" ersetzt die Datei.")
                           .arg(file, why),
                       mtWarning, mbOK);
        else
            MessageDlg(QStringLiteral("Das Layout \"%1\" gibt es noch nicht. Der Designer beginnt mit einer leeren Seite.").arg(file),
                       mtInformation, mbOK);
    }
}

TEngDesignerWindow::~TEngDesignerWindow() = default;

QAction* TEngDesignerWindow::AddAction(const char* name, const QString& text, const QString& hint, const QKeySequence& key,
                                       const std::function<void()>& handler)
{
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(key.isEmpty() ? hint : QStringLiteral("%1 (%2)").arg(hint, key.toString(QKeySequence::NativeText)));
    a->setStatusTip(hint);
    if (!key.isEmpty()) a->setShortcut(key);
    m_bar->addAction(a);
    if (QWidget* w = m_bar->widgetForAction(a)) {
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(text);
        w->setAccessibleDescription(hint);
    }
    if (handler) ConnectGuarded(a, &QAction::triggered, this, handler);
    return a;
}

QString TEngDesignerWindow::Contents(bool field, const QString& name) const
{
    return field ? EngFieldContents(m_job, name) : EngVariableContents(m_job, name);
}

void TEngDesignerWindow::FillFieldList()
{
    auto group = [this](const QString& title, const QStringList& names, bool field) {
        if (names.isEmpty()) return;
        auto* top = new QTreeWidgetItem(TreeFelder, {title});
        top->setFlags(Qt::ItemIsEnabled);
        for (const QString& name : names) {
            QString shown = Contents(field, name);
            shown.replace(u'\r', u' ').replace(u'\n', u' ');
            if (shown.size() > ShownContents) shown = shown.left(ShownContents) + QStringLiteral("…");
            auto* it = new QTreeWidgetItem(top, {name, shown});
            it->setData(0, RoleReference, TLayoutDesign::Reference(field, name));
            it->setData(0, RoleName, name);
            it->setToolTip(0, QStringLiteral("{%1}").arg(TLayoutDesign::Reference(field, name)));
        }
        top->setExpanded(true);
    };
    // A list prints its fields line by line: they come first there.
    if (Design.Layout().Type == TLayoutType::List) group(QStringLiteral("Felder"), EngDefinedFields(m_job), true);
    group(QStringLiteral("Variablen"), EngDefinedVariables(m_job), false);
    if (Design.Layout().Type != TLayoutType::List) group(QStringLiteral("Felder"), EngDefinedFields(m_job), true);
    // The engine's own values, which every report knows.
    auto* own = new QTreeWidgetItem(TreeFelder, {QStringLiteral("Allgemein")});
    own->setFlags(Qt::ItemIsEnabled);
    const std::pair<const char*, const char*> general[] = {
        {"Seite", "Seite"}, {"Seitenzahl", "Seitenzahl"}, {"Druckdatum", "Druckdatum"}};
    for (const auto& [name, ref] : general) {
        auto* it = new QTreeWidgetItem(own, {QString::fromLatin1(name)});
        it->setData(0, RoleReference, QString::fromLatin1(ref));
        it->setData(0, RoleName, QString::fromLatin1(name));
    }
    own->setExpanded(true);
}

void TEngDesignerWindow::EditSucheChange(const QString& text)
{
    for (int g = 0; g < TreeFelder->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = TreeFelder->topLevelItem(g);
        bool any = false;
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* it = group->child(i);
            const bool shown = text.isEmpty() || it->text(0).contains(text, Qt::CaseInsensitive)
                               || it->text(1).contains(text, Qt::CaseInsensitive);
            it->setHidden(!shown);
            any = any || shown;
        }
        group->setHidden(!any);
    }
}

void TEngDesignerWindow::TreeFelderDoubleClick()
{
    const QTreeWidgetItem* it = TreeFelder->currentItem();
    if (!it || it->data(0, RoleReference).toString().isEmpty()) return;
    InsertReference(it->data(0, RoleReference).toString(), it->data(0, RoleName).toString());
}

// ------------------------------------------------------------------ changes

void TEngDesignerWindow::DesignChanged()
{
    Canvas->Refresh();
    if (Canvas->Selection() != m_panelFor || Canvas->CurrentArea() != m_panelArea) BuildPanel();
    else LoadPanel();
    UpdateActions();
    setWindowModified(Design.Modified());
    const int zoom = int(Canvas->Zoom() * 100 + 0.5);
    const int at = CmbZoom->findData(zoom);
    if (at >= 0) CmbZoom->setCurrentIndex(at);
    else CmbZoom->setEditText(QStringLiteral("%1 %").arg(zoom));
}

void TEngDesignerWindow::UpdateActions()
{
    const TDesignItems& sel = Canvas->Selection();
    const bool objects = std::any_of(sel.begin(), sel.end(), [](const TDesignItem& i) { return !i.IsColumn(); });
    ActRueckgaengig->setEnabled(Design.CanUndo());
    ActWiederholen->setEnabled(Design.CanRedo());
    ActKopieren->setEnabled(objects);
    ActAusschneiden->setEnabled(objects);
    ActLoeschen->setEnabled(!sel.isEmpty());
    ActNachVorne->setEnabled(objects);
    ActNachHinten->setEnabled(objects);
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ActEinfuegen->setEnabled(clip && clip->hasFormat(ClipboardType));
}

void TEngDesignerWindow::Select(const TDesignItems& items) { Canvas->Select(items); }

void TEngDesignerWindow::SetZoomPercent(int percent)
{
    Canvas->SetZoom(percent / 100.0);
    DesignChanged();
}

void TEngDesignerWindow::Undo()
{
    Design.Undo();
    DesignChanged();
}

void TEngDesignerWindow::Redo()
{
    Design.Redo();
    DesignChanged();
}

void TEngDesignerWindow::DeleteSelection()
{
    Design.Remove(Canvas->Selection());
    Canvas->Select({}, Canvas->CurrentArea());
    DesignChanged();
}

void TEngDesignerWindow::CopySelection()
{
    const QByteArray data = Design.Copy(Canvas->Selection());
    if (data.isEmpty()) return;
    auto* m = new QMimeData;
    m->setData(ClipboardType, data);
    QStringList texts;
    for (const TDesignItem& i : Canvas->Selection())
        if (!i.IsColumn() && Design.Object(i).Kind == TObjectKind::Text) texts << Design.Object(i).Text;
    if (!texts.isEmpty()) m->setText(texts.join(u'\n'));
    QApplication::clipboard()->setMimeData(m);
    m_insertCount = 0;
    UpdateActions();
}

void TEngDesignerWindow::PasteClipboard()
{
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasFormat(ClipboardType)) return;
    // Each paste a little further, so that copies do not hide each other.
    ++m_insertCount;
    const TDesignItems pasted = Design.Paste(m->data(ClipboardType), Canvas->CurrentArea(),
                                             QPointF(5, 5) * m_insertCount);
    if (!pasted.isEmpty()) Canvas->Select(pasted);
    DesignChanged();
}

void TEngDesignerWindow::InsertObject(TObjectKind kind, TDesignArea area, const QRectF& pageRect)
{
    TLayoutObject o;
    o.Kind = kind;
    if (kind == TObjectKind::Text) o.Text = QStringLiteral("Text");
    if (kind == TObjectKind::Rect) o.LineWidth = 0.3;
    if (Design.Layout().Type == TLayoutType::List && area != TDesignArea::Footer) area = TDesignArea::Header;
    o.Rect = pageRect.translated(-Design.Origin(Design.Layout().Type == TLayoutType::Card ? TDesignArea::Page : area));
    Canvas->Select({Design.Insert(area, o)});
    DesignChanged();
}

void TEngDesignerWindow::InsertColumn()
{
    if (Design.Layout().Type != TLayoutType::List) return;
    const TDesignItems& sel = Canvas->Selection();
    const int at = sel.size() == 1 && sel.first().IsColumn() ? sel.first().Index + 1 : int(Design.Layout().Table.Columns.size());
    TLayoutColumn c;
    c.Title = QStringLiteral("Spalte");
    Canvas->Select({{TDesignArea::Table, Design.InsertColumn(at, c)}});
    DesignChanged();
}

QPointF TEngDesignerWindow::FreePlace(TDesignArea area) const
{
    // New texts go down the band or page one under the other.
    const QRectF r = Design.AreaRect(area == TDesignArea::Footer ? TDesignArea::Footer
                                     : Design.Layout().Type == TLayoutType::List ? TDesignArea::Header
                                                                                 : TDesignArea::Page);
    QPointF start = r.topLeft();
    if (Design.Layout().Type == TLayoutType::Card) {
        // On a card: where the user looks, not under the title.
        const QRect seen = Scroll->viewport()->rect().translated(-Canvas->pos());
        const QRectF body = Design.Layout().Page.Body();
        const QPointF c = Canvas->ToPage(QPointF(seen.center()));
        start = Design.Snap(QPointF(std::clamp(c.x() - 30, body.left(), std::max(body.left(), body.right() - 60)),
                                    std::clamp(c.y(), body.top(), body.bottom())));
    }
    return start + QPointF(0, 5.0 * (m_insertCount % 8));
}

void TEngDesignerWindow::InsertReference(const QString& reference, const QString& name, const QPointF* at)
{
    const QString placeholder = QStringLiteral("{%1}").arg(reference);
    const bool list = Design.Layout().Type == TLayoutType::List;
    std::optional<TDesignItem> target;
    TDesignArea area = Canvas->CurrentArea();
    if (at) {
        area = Design.AreaAt(*at);
        for (const TDesignItem& i : Design.AllObjects())
            if (Design.Object(i).Kind == TObjectKind::Text && Design.ItemRect(i).normalized().adjusted(0, 0, 0, 5).contains(*at))
                target = i;
        if (!target && list && area == TDesignArea::Table) {
            const int column = Design.ColumnAt(*at);
            target = TDesignItem{TDesignArea::Table, column >= 0 ? column : int(Design.Layout().Table.Columns.size()) - 1};
        }
    } else if (Canvas->Selection().size() == 1) {
        const TDesignItem s = Canvas->Selection().first();
        if (s.IsColumn() || Design.Object(s).Kind == TObjectKind::Text) target = s;
    } else if (Canvas->Selection().isEmpty() && list && (area == TDesignArea::Table || reference.startsWith(QLatin1String("Feld")))) {
        // A field of a list is wanted on every line: a column at the end.
        target = TDesignItem{TDesignArea::Table, int(Design.Layout().Table.Columns.size()) - 1};
    }

    if (target && target->IsColumn()) {
        // A new column after the one aimed at, titled with the name.
        TLayoutColumn c;
        c.Title = name;
        c.Value = reference;
        c.Width = 25;
        Canvas->Select({{TDesignArea::Table, Design.InsertColumn(target->Index + 1, c)}});
    } else if (target) {
        TLayoutObject o = Design.Object(*target);
        if (!o.Text.isEmpty() && !o.Text.endsWith(u' ') && !o.Text.endsWith(u'\n')) o.Text += u' ';
        o.Text += placeholder;
        Design.SetObject(*target, o);
        Canvas->Select({*target});
    } else {
        TLayoutObject o;
        o.Kind = TObjectKind::Text;
        o.Text = placeholder;
        const QPointF p = at ? Design.Snap(*at) : FreePlace(area);
        if (!at) ++m_insertCount;
        if (list && area != TDesignArea::Footer) area = TDesignArea::Header;
        if (!list) area = TDesignArea::Page;
        o.Rect = QRectF(p - Design.Origin(area), QSizeF(60, 0));
        Canvas->Select({Design.Insert(area, o)});
    }
    DesignChanged();
}

// --------------------------------------------------------------- save, close

bool TEngDesignerWindow::Save()
{
    QString why;
    if (!Design.Save(QDir::current().absoluteFilePath(m_file), &why)) {
        MessageDlg(QStringLiteral("Das Layout \"%1\" kann nicht gespeichert werden:\r%2").arg(m_file, why), mtError, mbOK);
        return false;
    }
    DesignChanged();
    LblStatus->setText(QStringLiteral("Gespeichert: %1").arg(m_file));
    return true;
}

bool TEngDesignerWindow::AskSave()
{
    if (!Design.Modified()) return true;
    const int r = MessageDlg(QStringLiteral("Das Layout \"%1\" wurde geändert.\rMöchten Sie die Änderungen speichern?").arg(m_file),
                             mtConfirmation, mbYesNoCancel);
    if (r == mrYes) return Save();
    return r == mrNo;
}

void TEngDesignerWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_shown) return;
    m_shown = true;
    // The whole width of the page in view, when the window is too narrow for 100 %.
    QTimer::singleShot(0, this, [this] {
        const double pageAt100 = Design.Layout().Page.Oriented().width() * Canvas->logicalDpiX() / 25.4 + 60;
        const double fit = 100.0 * Scroll->viewport()->width() / pageAt100;
        int zoom = ZoomSteps[0];
        for (int step : ZoomSteps)
            if (step <= std::min(100.0, fit)) zoom = step;
        SetZoomPercent(zoom);
    });
}

void TEngDesignerWindow::reject()
{
    if (AskSave()) QDialog::reject();
}

void TEngDesignerWindow::Preview()
{
    const QString problem = Design.Problem();
    if (!problem.isEmpty()) {
        MessageDlg(QStringLiteral("Die Vorschau ist nicht möglich:\r%1").arg(problem), mtInformation, mbOK);
        return;
    }
    TJobValues values(m_job);
    TReportBuilder builder(Design.Layout(), values, Today());
    if (Design.Layout().Type == TLayoutType::Card) {
        builder.PrintCard();
    } else {
        // The job holds one record's fields: one table line shows them.
        builder.PrintPagePart();
        builder.PrintLine();
        builder.FinishTable();
    }
    const std::shared_ptr<TRenderedDoc> doc = builder.Finish();
    const QString pdf = QDir(QDir::tempPath())
                            .absoluteFilePath(QStringLiteral("tarvos-entwurf-%1-%2.pdf")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(QFileInfo(m_file).completeBaseName()));
    QString why;
    if (!doc->WritePdf(pdf, 1, doc->PageCount(), &why)) {
        MessageDlg(QStringLiteral("Die Vorschau kann nicht erstellt werden:\r%1").arg(why), mtError, mbOK);
        return;
    }
    if (EngHooks().PreviewDisplay) {
        EngHooks().PreviewDisplay(pdf);
    } else {
        TEngPreviewWindow w(this, pdf, QStringLiteral("Entwurf %1").arg(m_file), {evaCopyPage, evaSavePageImage}, nullptr);
        w.exec();
    }
    QFile::remove(pdf);
}

// ------------------------------------------------------------ property panel

QWidget* TEngDesignerWindow::Property(const QString& name) const
{
    return m_panel ? m_panel->findChild<QWidget*>(name) : nullptr;
}

void TEngDesignerWindow::BuildPanel()
{
    m_loaders.clear();
    delete m_panel;
    m_panel = new QWidget(m_panelHost);
    m_panel->setObjectName(QStringLiteral("Eigenschaften"));
    m_form = new QFormLayout(m_panel);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    static_cast<QVBoxLayout*>(m_panelHost->layout())->insertWidget(0, m_panel);
    LblFehler->hide();
    m_panelFor = Canvas->Selection();
    m_panelArea = Canvas->CurrentArea();
    const TDesignItems& sel = m_panelFor;
    if (sel.size() > 1) {
        m_form->addRow(new QLabel(QStringLiteral("%1 Objekte markiert").arg(sel.size()), m_panel));
    } else if (sel.size() == 1 && sel.first().IsColumn()) {
        AddColumnPanel(sel.first().Index);
    } else if (sel.size() == 1) {
        AddObjectPanel(sel.first());
    } else if (Design.Layout().Type == TLayoutType::List && m_panelArea != TDesignArea::Page) {
        AddAreaPanel(m_panelArea);
    } else {
        AddPagePanel();
    }
    LoadPanel();
}

void TEngDesignerWindow::LoadPanel()
{
    m_loading = true;
    for (const auto& load : m_loaders) load();
    m_loading = false;
}

void TEngDesignerWindow::AddNumber(const char* name, const QString& label, double lo, double hi, double step,
                                   std::function<double()> get, std::function<void(double)> set)
{
    auto* e = new QDoubleSpinBox(m_panel);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(label);
    e->setRange(lo, hi);
    e->setDecimals(1);
    e->setSingleStep(step);
    e->setKeyboardTracking(true);
    m_form->addRow(label + u':', e);
    m_loaders.push_back([e, get] { e->setValue(get()); });
    connect(e, &QDoubleSpinBox::valueChanged, this, [this, set](double v) {
        if (m_loading) return;
        set(v);
        Canvas->Refresh();
        UpdateActions();
        setWindowModified(Design.Modified());
    });
}

void TEngDesignerWindow::AddCheck(const char* name, const QString& label, std::function<bool()> get,
                                  std::function<void(bool)> set)
{
    auto* e = new QCheckBox(label, m_panel);
    e->setObjectName(QString::fromLatin1(name));
    m_form->addRow(QString(), e);
    m_loaders.push_back([e, get] { e->setChecked(get()); });
    connect(e, &QCheckBox::toggled, this, [this, set](bool v) {
        if (m_loading) return;
        set(v);
        DesignChanged();
    });
}

void TEngDesignerWindow::AddChoice(const char* name, const QString& label, const QStringList& items,
                                   std::function<int()> get, std::function<void(int)> set)
{
    auto* e = new QComboBox(m_panel);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(label);
    e->addItems(items);
    m_form->addRow(label + u':', e);
    m_loaders.push_back([e, get] { e->setCurrentIndex(get()); });
    connect(e, &QComboBox::currentIndexChanged, this, [this, set](int i) {
        if (m_loading || i < 0) return;
        set(i);
        DesignChanged();
    });
}

void TEngDesignerWindow::AddText(const char* name, const QString& label, std::function<QString()> get,
                                 std::function<void(QString)> set, std::function<QString(const QString&)> check,
                                 const QStringList& suggestions)
{
    QLineEdit* edit = nullptr;
    QWidget* shown = nullptr;
    if (suggestions.isEmpty()) {
        edit = new QLineEdit(m_panel);
        shown = edit;
    } else {
        auto* box = new QComboBox(m_panel);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(suggestions);
        edit = box->lineEdit();
        shown = box;
    }
    shown->setObjectName(QString::fromLatin1(name));
    shown->setAccessibleName(label);
    m_form->addRow(label + u':', shown);
    m_loaders.push_back([edit, get] {
        if (edit->text() != get()) edit->setText(get());
    });
    connect(edit, &QLineEdit::textEdited, this, [this, set, check, label](const QString& text) {
        if (m_loading) return;
        const QString problem = check ? check(text) : QString();
        if (!problem.isEmpty()) {
            // Kept in the box for correcting; the layout keeps its last sound text.
            LblFehler->setText(QStringLiteral("%1: %2").arg(label, problem));
            LblFehler->show();
            return;
        }
        LblFehler->hide();
        set(text);
        Canvas->Refresh();
        UpdateActions();
        setWindowModified(Design.Modified());
    });
}

void TEngDesignerWindow::AddFont(const QString& prefix, std::function<TFontSpec()> get, std::function<void(TFontSpec)> set)
{
    auto* family = new QFontComboBox(m_panel);
    family->setObjectName(QStringLiteral("CmbSchrift"));
    family->setAccessibleName(prefix);
    m_form->addRow(prefix + u':', family);
    m_loaders.push_back([family, get] { family->setCurrentFont(QFont(get().Family)); });
    connect(family, &QFontComboBox::currentFontChanged, this, [this, get, set](const QFont& f) {
        if (m_loading) return;
        TFontSpec s = get();
        s.Family = f.family();
        set(s);
        DesignChanged();
    });
    AddNumber("EditSchriftgroesse", QStringLiteral("Größe (pt)"), 1, 200, 0.5, [get] { return get().Size; },
              [get, set](double v) {
                  TFontSpec s = get();
                  s.Size = v;
                  set(s);
              });
    AddCheck("ChkFett", QStringLiteral("Fett"), [get] { return get().Bold; }, [get, set](bool v) {
        TFontSpec s = get();
        s.Bold = v;
        set(s);
    });
    AddCheck("ChkKursiv", QStringLiteral("Kursiv"), [get] { return get().Italic; }, [get, set](bool v) {
        TFontSpec s = get();
        s.Italic = v;
        set(s);
    });
}

void TEngDesignerWindow::AddObjectPanel(const TDesignItem& item)
{
    const TObjectKind kind = Design.Object(item).Kind;
    static const char* const kindNames[] = {"Text", "Linie", "Rechteck", "Bild"};
    GrpEigenschaften->setTitle(QStringLiteral("Eigenschaften: %1").arg(QString::fromLatin1(kindNames[int(kind)])));
    auto key = [item](const char* what) { return QStringLiteral("eigenschaft:%1:%2:%3").arg(QLatin1String(what)).arg(int(item.Area)).arg(item.Index); };
    auto get = [this, item] { return Design.Object(item); };
    // One property changed on a copy of the object, as one undo step per property.
    auto change = [this, item, key](const char* what, const std::function<void(TLayoutObject&)>& f) {
        TLayoutObject o = Design.Object(item);
        f(o);
        Design.SetObject(item, o, key(what));
    };
    auto rect = [this, item] { return Design.ItemRect(item); };
    auto setRect = [this, item, key](const char* what, const std::function<void(QRectF&)>& f) {
        QRectF r = Design.ItemRect(item);
        f(r);
        Design.SetRects({item}, {r}, key(what));
    };
    const bool line = kind == TObjectKind::Line;
    AddNumber("EditX", QStringLiteral("X (mm)"), -2000, 2000, 0.5, [rect] { return rect().x(); },
              [setRect](double v) { setRect("x", [v](QRectF& r) { r.moveLeft(v); }); });
    AddNumber("EditY", QStringLiteral("Y (mm)"), -2000, 2000, 0.5, [rect] { return rect().y(); },
              [setRect](double v) { setRect("y", [v](QRectF& r) { r.moveTop(v); }); });
    AddNumber("EditBreite", QStringLiteral("Breite (mm)"), line ? -2000 : 0, 2000, 0.5, [rect] { return rect().width(); },
              [setRect](double v) { setRect("w", [v](QRectF& r) { r.setWidth(v); }); });
    AddNumber("EditHoehe", QStringLiteral("Höhe (mm)"), line ? -2000 : 0, 2000, 0.5, [rect] { return rect().height(); },
              [setRect](double v) { setRect("h", [v](QRectF& r) { r.setHeight(v); }); });
    if (kind == TObjectKind::Text)
        if (auto* h = Property(QStringLiteral("EditHoehe"))) static_cast<QDoubleSpinBox*>(h)->setSpecialValueText(QStringLiteral("automatisch"));

    switch (kind) {
    case TObjectKind::Text:
        AddText("EditText", QStringLiteral("Text"), [get] { return get().Text; },
                [change](const QString& t) { change("text", [t](TLayoutObject& o) { o.Text = t; }); }, TemplateProblem);
        AddFont(QStringLiteral("Schrift"), [get] { return get().Font; },
                [change](const TFontSpec& f) { change("font", [f](TLayoutObject& o) { o.Font = f; }); });
        AddChoice("CmbAusrichtung", QStringLiteral("Ausrichtung"), AlignNames, [get] { return int(get().Align); },
                  [change](int i) { change("align", [i](TLayoutObject& o) { o.Align = THAlign(i); }); });
        AddChoice("CmbVertikal", QStringLiteral("Vertikal"),
                  {QStringLiteral("Oben"), QStringLiteral("Mitte"), QStringLiteral("Unten")}, [get] { return int(get().VAlign); },
                  [change](int i) { change("valign", [i](TLayoutObject& o) { o.VAlign = TVAlign(i); }); });
        AddCheck("ChkUmbruch", QStringLiteral("Zeilen umbrechen"), [get] { return get().Wrap; },
                 [change](bool v) { change("wrap", [v](TLayoutObject& o) { o.Wrap = v; }); });
        break;
    case TObjectKind::Line:
    case TObjectKind::Rect:
        AddNumber("EditLinienstaerke", kind == TObjectKind::Line ? QStringLiteral("Linienstärke (mm)") : QStringLiteral("Rahmen (mm)"),
                  0, 20, 0.1, [get] { return get().LineWidth; },
                  [change](double v) { change("pen", [v](TLayoutObject& o) { o.LineWidth = v; }); });
        if (kind == TObjectKind::Rect) {
            AddCheck("ChkFuellung", QStringLiteral("Gefüllt"), [get] { return get().Fill.isValid(); }, [change](bool v) {
                change("fill", [v](TLayoutObject& o) { o.Fill = v ? QColor(235, 235, 235) : QColor(); });
            });
        }
        break;
    case TObjectKind::Picture: {
        AddText("EditDatei", QStringLiteral("Datei"), [get] { return get().Text; },
                [change](const QString& t) { change("file", [t](TLayoutObject& o) { o.Text = t; }); }, TemplateProblem);
        auto* pick = new QPushButton(QStringLiteral("Bild wählen..."), m_panel);
        pick->setObjectName(QStringLiteral("BtnDatei"));
        m_form->addRow(QString(), pick);
        connect(pick, &QPushButton::clicked, this, [this, change] {
            QString f = PromptForFileName(TFileDialogKind::Open, QStringLiteral("Bild wählen"),
                                          QStringLiteral("Bilder (*.png *.jpg *.jpeg *.svg *.bmp *.gif);;Alle Dateien (*)"),
                                          QDir::currentPath());
            if (f.isEmpty()) return;
            // Pictures beside the layouts stay found when the folder moves.
            const QString rel = QDir::current().relativeFilePath(f);
            if (!rel.startsWith(QLatin1String(".."))) f = rel;
            change("file", [f](TLayoutObject& o) { o.Text = f; });
            DesignChanged();
        });
        AddCheck("ChkSeitenverhaeltnis", QStringLiteral("Seitenverhältnis behalten"), [get] { return get().KeepAspect; },
                 [change](bool v) { change("aspect", [v](TLayoutObject& o) { o.KeepAspect = v; }); });
        break;
    }
    }
    if (kind != TObjectKind::Picture) {
        auto* color = new QPushButton(QStringLiteral("Farbe..."), m_panel);
        color->setObjectName(QStringLiteral("BtnFarbe"));
        m_form->addRow(QStringLiteral("Farbe:"), color);
        m_loaders.push_back([color, get] {
            color->setStyleSheet(QStringLiteral("QPushButton { border-left: 14px solid %1; }").arg(get().Color.name()));
        });
        connect(color, &QPushButton::clicked, this, [this, get, change] {
            const QColor c = QColorDialog::getColor(get().Color, this, QStringLiteral("Farbe wählen"));
            if (!c.isValid()) return;
            change("color", [c](TLayoutObject& o) { o.Color = c; });
            DesignChanged();
        });
    }
}

void TEngDesignerWindow::AddColumnPanel(int column)
{
    GrpEigenschaften->setTitle(QStringLiteral("Eigenschaften: Spalte %1").arg(column + 1));
    auto get = [this, column] { return Design.Column(column); };
    auto change = [this, column](const char* what, const std::function<void(TLayoutColumn&)>& f) {
        TLayoutColumn c = Design.Column(column);
        f(c);
        Design.SetColumn(column, c, QStringLiteral("spalte:%1:%2").arg(QLatin1String(what)).arg(column));
    };
    AddText("EditUeberschrift", QStringLiteral("Überschrift"), [get] { return get().Title; },
            [change](const QString& t) { change("title", [t](TLayoutColumn& c) { c.Title = t; }); }, TemplateProblem);
    AddText("EditWert", QStringLiteral("Inhalt"), [get] { return get().Value; },
            [change](const QString& t) { change("value", [t](TLayoutColumn& c) { c.Value = t; }); }, ExprProblem);
    AddNumber("EditSpaltenbreite", QStringLiteral("Breite (mm)"), 1, 2000, 0.5, [get] { return get().Width; },
              [change](double v) { change("width", [v](TLayoutColumn& c) { c.Width = v; }); });
    AddChoice("CmbAusrichtung", QStringLiteral("Ausrichtung"), AlignNames, [get] { return int(get().Align); },
              [change](int i) { change("align", [i](TLayoutColumn& c) { c.Align = THAlign(i); }); });
    AddText("CmbZahlenformat", QStringLiteral("Zahlenformat"), [get] { return get().NumberFormat; },
            [change](const QString& t) { change("number", [t](TLayoutColumn& c) { c.NumberFormat = t; }); }, {},
            {QString(), QStringLiteral("#,##0.00"), QStringLiteral("#,##0.00 €"), QStringLiteral("#,##0"), QStringLiteral("0")});
    AddText("CmbDatumsformat", QStringLiteral("Datumsformat"), [get] { return get().DateFormat; },
            [change](const QString& t) { change("date", [t](TLayoutColumn& c) { c.DateFormat = t; }); }, {},
            {QString(), QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd.MM.yy"), QStringLiteral("MMMM yyyy"),
             QStringLiteral("MM/yyyy")});
    AddCheck("ChkNullLeer", QStringLiteral("Null nicht drucken"), [get] { return get().BlankZero; },
             [change](bool v) { change("blank", [v](TLayoutColumn& c) { c.BlankZero = v; }); });
    AddCheck("ChkUmbruch", QStringLiteral("Zeilen umbrechen"), [get] { return get().Wrap; },
             [change](bool v) { change("wrap", [v](TLayoutColumn& c) { c.Wrap = v; }); });
    AddText("EditSumme", QStringLiteral("Summenzeile"), [get] { return get().Footer; },
            [change](const QString& t) { change("footer", [t](TLayoutColumn& c) { c.Footer = t; }); }, ExprProblem);
    auto* hint = new QLabel(QStringLiteral("Pfeiltasten links/rechts verschieben die Spalte, mit Umschalt ändern sie die Breite. "
                                           "Summenzeile z. B. Summe(Feld.Betrag)."),
                            m_panel);
    hint->setWordWrap(true);
    m_form->addRow(hint);
}

void TEngDesignerWindow::AddAreaPanel(TDesignArea area)
{
    if (area == TDesignArea::Table) {
        GrpEigenschaften->setTitle(QStringLiteral("Eigenschaften: Tabelle"));
        auto get = [this] { return Design.Layout().Table; };
        auto change = [this](const char* what, const std::function<void(TLayoutTable&)>& f) {
            TLayoutTable t = Design.Layout().Table;
            f(t);
            Design.SetTable(t, QStringLiteral("tabelle:%1").arg(QLatin1String(what)));
        };
        AddNumber("EditZeilenhoehe", QStringLiteral("Zeilenhöhe (mm)"), 1, 500, 0.1, [get] { return get().LineHeight; },
                  [change](double v) { change("line", [v](TLayoutTable& t) { t.LineHeight = v; }); });
        AddFont(QStringLiteral("Schrift"), [get] { return get().Font; },
                [change](const TFontSpec& f) { change("font", [f](TLayoutTable& t) { t.Font = f; }); });
        AddNumber("EditLinieKopf", QStringLiteral("Linie unter Kopf (mm)"), 0, 20, 0.1, [get] { return get().HeaderRule; },
                  [change](double v) { change("head", [v](TLayoutTable& t) { t.HeaderRule = v; }); });
        AddNumber("EditLinieZeile", QStringLiteral("Linie je Zeile (mm)"), 0, 20, 0.1, [get] { return get().RowRule; },
                  [change](double v) { change("row", [v](TLayoutTable& t) { t.RowRule = v; }); });
        AddText("EditFilter", QStringLiteral("Filter"), [get] { return get().Filter; },
                [change](const QString& s) { change("filter", [s](TLayoutTable& t) { t.Filter = s; }); }, ExprProblem);
        return;
    }
    const bool header = area == TDesignArea::Header;
    GrpEigenschaften->setTitle(header ? QStringLiteral("Eigenschaften: Kopfbereich") : QStringLiteral("Eigenschaften: Fußbereich"));
    AddNumber("EditBereichshoehe", QStringLiteral("Höhe (mm)"), 0, 2000, 0.5,
              [this, header] { return header ? Design.Layout().Header.Height : Design.Layout().Footer.Height; },
              [this, area, header](double v) {
                  // The table keeps at least 10 mm between the bands.
                  const TLayout& l = Design.Layout();
                  const double other = header ? l.Footer.Height : l.Header.Height;
                  Design.SetAreaHeight(area, std::min(v, std::max(0.0, l.Page.Body().height() - other - 10)),
                                       QStringLiteral("bereich:%1").arg(int(area)));
              });
}

void TEngDesignerWindow::AddPagePanel()
{
    GrpEigenschaften->setTitle(QStringLiteral("Eigenschaften: Seite"));
    auto page = [this] { return Design.Layout().Page; };
    auto change = [this](const char* what, const std::function<void(TPageSetup&)>& f) {
        TPageSetup p = Design.Layout().Page;
        f(p);
        // Margins that leave no room to print are not taken.
        const QRectF body = p.Body();
        if (body.width() < 10 || body.height() < 10) return;
        Design.SetPage(p, Design.Layout().Title, QStringLiteral("seite:%1").arg(QLatin1String(what)));
    };
    AddText("EditTitel", QStringLiteral("Titel"), [this] { return Design.Layout().Title; },
            [this](const QString& t) { Design.SetPage(Design.Layout().Page, t, QStringLiteral("seite:titel")); });
    QStringList papers;
    for (const TPaperSize& p : Papers) papers << QString::fromLatin1(p.Name);
    AddChoice("CmbPapier", QStringLiteral("Papier"), papers,
              [page] {
                  for (int i = 0; i < int(std::size(Papers)); ++i)
                      if (qFuzzyCompare(page().Size.width(), Papers[i].W) && qFuzzyCompare(page().Size.height(), Papers[i].H))
                          return i;
                  return -1;
              },
              [change](int i) { change("papier", [i](TPageSetup& p) { p.Size = QSizeF(Papers[i].W, Papers[i].H); }); });
    AddCheck("ChkQuerformat", QStringLiteral("Querformat"), [page] { return page().Landscape; },
             [change](bool v) { change("quer", [v](TPageSetup& p) { p.Landscape = v; }); });
    AddNumber("EditRandLinks", QStringLiteral("Rand links (mm)"), 0, 500, 0.5, [page] { return page().MarginLeft; },
              [change](double v) { change("links", [v](TPageSetup& p) { p.MarginLeft = v; }); });
    AddNumber("EditRandOben", QStringLiteral("Rand oben (mm)"), 0, 500, 0.5, [page] { return page().MarginTop; },
              [change](double v) { change("oben", [v](TPageSetup& p) { p.MarginTop = v; }); });
    AddNumber("EditRandRechts", QStringLiteral("Rand rechts (mm)"), 0, 500, 0.5, [page] { return page().MarginRight; },
              [change](double v) { change("rechts", [v](TPageSetup& p) { p.MarginRight = v; }); });
    AddNumber("EditRandUnten", QStringLiteral("Rand unten (mm)"), 0, 500, 0.5, [page] { return page().MarginBottom; },
              [change](double v) { change("unten", [v](TPageSetup& p) { p.MarginBottom = v; }); });
}

// ------------------------------------------------------------------- entry

int EngRunDesigner(int job, QWidget* parent, const QString& title, int projectType, const QString& file)
{
    const int type = projectType & ~eptKeepFile;
    if (type != eptList && type != eptCard) {
        MessageDlg(QStringLiteral("Etiketten-Layouts kann der Designer nicht bearbeiten."), mtInformation, mbOK);
        return erBadMode;
    }
    TEngDesignerWindow w(parent, job, title, type == eptList ? TLayoutType::List : TLayoutType::Card, file);
    w.exec();
    return erOK;
}
