#pragma once
// The engine's layout designer: a modal window on one layout file with the
// page, a toolbar, the properties of the selected object and the variables
// and fields the report job defined, to be dropped on the page.
#include "DesignCanvas.h"
#include "LayoutDesign.h"
#include <QDialog>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolBar;
class QTreeWidget;

class TEngDesignerWindow : public QDialog {
    Q_OBJECT
public:
    // `file` is read from the working directory; `job` holds the variables
    // and fields offered. A file that cannot be read opens as an empty page
    // of `type` after a message.
    TEngDesignerWindow(QWidget* parent, int job, const QString& title, TLayoutType type, const QString& file);
    ~TEngDesignerWindow() override;

    TLayoutDesign Design;
    QString FileName() const { return m_file; }

    QToolBar* ToolBar;
    QToolBar* ToolBarObjekte;
    QAction* ActSpeichern;
    QAction* ActVorschau;
    QAction* ActRueckgaengig;
    QAction* ActWiederholen;
    QAction* ActAusschneiden;
    QAction* ActKopieren;
    QAction* ActEinfuegen;
    QAction* ActLoeschen;
    QAction* ActNachVorne;
    QAction* ActNachHinten;
    QAction* ActText;
    QAction* ActLinie;
    QAction* ActRechteck;
    QAction* ActBild;
    QAction* ActSpalte;
    QAction* ActRaster;
    QAction* ActAmRaster;
    QAction* ActInhalte;
    QComboBox* CmbZoom;
    QAction* ActSchliessen;
    QScrollArea* Scroll;
    TDesignCanvas* Canvas;
    QGroupBox* GrpEigenschaften;
    QLabel* LblFehler;
    QLineEdit* EditSuche;
    QTreeWidget* TreeFelder;
    QLabel* LblStatus;

    // What the toolbar and the field list do, callable from tests too.
    bool Save();
    void InsertObject(TObjectKind kind, TDesignArea area, const QRectF& pageRect);
    void InsertColumn();
    // Puts a placeholder into the selected text, as a column or as a new text;
    // with `at`, where it was dropped.
    void InsertReference(const QString& reference, const QString& name, const QPointF* at = nullptr);
    void Select(const TDesignItems& items);
    void SetZoomPercent(int percent);
    void DeleteSelection();
    void CopySelection();
    void PasteClipboard();
    void Undo();
    void Redo();
    void Preview();
    // An editor of the property panel by its name (tests, screen readers).
    QWidget* Property(const QString& name) const;

    // Closing asks first when there are unsaved changes.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QAction* AddAction(const char* name, const QString& text, const QString& hint, const QKeySequence& key,
                       const std::function<void()>& handler);
    void FillFieldList();
    void TreeFelderDoubleClick();
    void EditSucheChange(const QString& text);
    // After any change: the page, the panel's values, the actions, the title.
    void DesignChanged();
    void UpdateActions();
    void BuildPanel();
    void LoadPanel();
    bool AskSave();
    QString Contents(bool field, const QString& name) const;
    QPointF FreePlace(TDesignArea area) const;

    // Property panel helpers: each editor has a loader that shows the model's value.
    void AddNumber(const char* name, const QString& label, double lo, double hi, double step,
                   std::function<double()> get, std::function<void(double)> set);
    void AddCheck(const char* name, const QString& label, std::function<bool()> get, std::function<void(bool)> set);
    void AddChoice(const char* name, const QString& label, const QStringList& items, std::function<int()> get,
                   std::function<void(int)> set);
    // Free text; `check` answers a reason when the text is refused ("" = fine).
    void AddText(const char* name, const QString& label, std::function<QString()> get, std::function<void(QString)> set,
                 std::function<QString(const QString&)> check = {}, const QStringList& suggestions = {});
    void AddFont(const QString& prefix, std::function<TFontSpec()> get, std::function<void(TFontSpec)> set);
    void AddObjectPanel(const TDesignItem& item);
    void AddColumnPanel(int column);
    void AddAreaPanel(TDesignArea area);
    void AddPagePanel();

    QToolBar* m_bar = nullptr;   // where AddAction puts its button
    int m_job;
    QString m_title;
    QString m_file;
    QWidget* m_panelHost = nullptr;
    QWidget* m_panel = nullptr;
    QFormLayout* m_form = nullptr;
    std::vector<std::function<void()>> m_loaders;
    bool m_loading = false;
    TDesignItems m_panelFor;
    TDesignArea m_panelArea = TDesignArea::Page;
    int m_insertCount = 0;
    bool m_shown = false;
};

// Opens the designer modally; the engine's EngDefineLayout lands here.
int EngRunDesigner(int job, QWidget* parent, const QString& title, int projectType, const QString& file);
