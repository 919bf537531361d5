#pragma once
// A multi-line editor on a memo or text field.
#include "FieldDataLink.h"
#include <QPlainTextEdit>

class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

    explicit TDBMemo(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on);
    bool WordWrap() const { return lineWrapMode() != NoWrap; }
    void SetWordWrap(bool on) { setLineWrapMode(on ? WidgetWidth : NoWrap); }
    void SetScrollBars(TScrollStyle s);
    TField* Field() const { return m_link.Field(); }
    TFieldDataLink& DataLink() { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void DataChange();
    TFieldDataLink m_link;
    bool m_loading = false;
};
