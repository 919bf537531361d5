#pragma once
// A framed group of radio buttons not bound to a field (views and report
// choices). Setting the item from code clicks it like the user would.
#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList Items() const { return m_items; }
    void SetItems(const QStringList& items);
    int Columns() const { return m_columns; }
    void SetColumns(int n);
    int ItemIndex() const { return m_index; }
    // Emits Click when the item changes.
    void SetItemIndex(int i);
    // Renames one item without changing the choice.
    void SetItemText(int i, const QString& text);
    QAbstractButton* Button(int i) const;

signals:
    void Click();

private:
    void Rebuild();
    QStringList m_items;
    int m_columns = 1;
    int m_index = -1;
    QButtonGroup* m_group;
    QGridLayout* m_layout;
};
