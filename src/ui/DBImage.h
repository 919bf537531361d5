#pragma once
// Shows the picture held in a blob field.
#include "FieldDataLink.h"
#include <QLabel>

class TDBImage : public QLabel {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
public:
    explicit TDBImage(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on) { m_link.SetReadOnly(on); }
    bool Stretch() const { return hasScaledContents(); }
    void SetStretch(bool on) { setScaledContents(on); }
    TField* Field() const { return m_link.Field(); }
    // Puts a picture file's bytes into the field; false when it is no picture.
    bool LoadPicture(const QString& fileName);

private:
    void DataChange();
    TFieldDataLink m_link;
};
