#include "DBText.h"

TDBText::TDBText(QWidget* parent) : QLabel(parent), m_link(this)
{
    setTextFormat(Qt::PlainText);
    m_link.SetReadOnly(true);
    m_link.OnDataChange = [this] { setText(m_link.Field() ? m_link.Field()->DisplayText() : QString()); };
}

void TDBText::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}
