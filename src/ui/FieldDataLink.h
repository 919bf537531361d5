#pragma once
// The link between one data-aware control and one field of a data source.
#include "DataSet.h"
#include <QPointer>
#include <QWidget>
#include <functional>

class QKeyEvent;

class TFieldDataLink : public TDataLink {
public:
    explicit TFieldDataLink(QWidget* control = nullptr) : m_control(control) {}

    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name);
    // The field while the data set is open; none otherwise.
    TField* Field() const { return m_field; }

    bool CanModify() const;
    // Puts the data set into editing through the source's auto-edit.
    bool Edit();
    // The control's text differs from the field from now on.
    void Modified() { m_modified = true; }
    bool IsModified() const { return m_modified; }
    // Throws the control's changes away and shows the field again.
    void Reset() { RecordChanged(nullptr); }
    // Looks the field up again (new source, reopened data set).
    void UpdateField();

    std::function<void()> OnDataChange;     // show the field's value
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;     // write the control's value into the field
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    QPointer<QWidget> m_control;
    QString m_fieldName;
    TField* m_field = nullptr;
    bool m_modified = false;
};

// Keys that change a control's text and so must start editing first.
bool IsEditingKey(const QKeyEvent* e);
