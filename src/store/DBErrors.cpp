#include "DBErrors.h"

void DatabaseError(const QString& message) { throw EDatabaseError(message); }
void DatabaseErrorFmt(const QString& fmt, const QString& arg) { throw EDatabaseError(fmt.arg(arg)); }
void EngineError(int code, const QString& message) { throw EDBEngineError(code, message); }
