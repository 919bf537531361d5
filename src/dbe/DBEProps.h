#pragma once
// The extender's key table: one shortcut per action, with its stored form.
#include "DBENavigateBtn.h"
#include "KeyCodes.h"
#include <QVariantList>
#include <array>
#include <functional>

class TDBEShortCuts {
public:
    TDBEShortCuts();   // the default table

    TShortCut ShortCut(TDBENavigateBtn btn) const { return m_keys[btn]; }
    void SetShortCut(TDBENavigateBtn btn, TShortCut sc) { m_keys[btn] = sc; }
    // Copies all 28 and raises OnChange.
    void Assign(const TDBEShortCuts& other);
    // The action of a key: the combination as it is, then once more without
    // Ctrl; the first action in action order wins. False when none.
    bool FindAction(int virtualKey, TShiftState shift, TDBENavigateBtn& btn) const;

    // Stored form: the list -27, then name and value of every action.
    // Reading also takes the older positional list of integers; a name that
    // is no action raises "Error reading TDBEShortCuts " + name.
    QVariantList WriteList() const;
    void ReadList(const QVariantList& list);
    // The same list as text tokens ("-27 nbSearch 16467 ..."), as kept in files.
    QString ToText() const;
    void FromText(const QString& text);

    bool operator==(const TDBEShortCuts& o) const { return m_keys == o.m_keys; }

    std::function<void()> OnChange;

private:
    std::array<TShortCut, NavigateBtnCount> m_keys{};
};
