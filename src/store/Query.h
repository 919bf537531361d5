#pragma once
// A data set on the result of a query text (a SELECT) on an alias's
// database: read-only, in the order the text gives, fixed at opening.
#include "DataSet.h"
#include <QStringList>

class TQuery : public TDBDataSet {
    Q_OBJECT
public:
    explicit TQuery(QObject* owner = nullptr);
    ~TQuery() override;

    // The text, line by line; the lines are joined with line breaks.
    QStringList SQL() const { return m_sql; }
    void SetSQL(const QStringList& lines);

protected:
    // Runs the text into a temporary table of the connection, which lives
    // as long as the data set stays open.
    std::shared_ptr<TPhysTable> OpenPhysTable() override;

private:
    QStringList m_sql;
};
