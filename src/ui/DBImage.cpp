#include "DBImage.h"
#include <QFile>
#include <QPixmap>

TDBImage::TDBImage(QWidget* parent) : QLabel(parent), m_link(this)
{
    setAlignment(Qt::AlignCenter);
    m_link.OnDataChange = [this] { DataChange(); };
}

void TDBImage::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBImage::DataChange()
{
    QPixmap pm;
    TField* f = m_link.Field();
    if (f && !f->IsNull()) pm.loadFromData(f->AsBytes());
    setPixmap(pm);
}

bool TDBImage::LoadPicture(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    QPixmap pm;
    if (!pm.loadFromData(bytes) || m_link.ReadOnly() || !m_link.Edit()) return false;
    m_link.Field()->SetValue(bytes);
    return true;
}
