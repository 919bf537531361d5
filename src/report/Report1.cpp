#include "Report1.h"

std::function<void(TReportKind, TReportMode)> OnRunReport;
std::function<void(TReportKind)> OnDesignReport;

void RunReport(TReportKind kind, TReportMode mode)
{
    // The report engine takes the job from here once it is bound.
    if (OnRunReport) OnRunReport(kind, mode);
}

void DesignReport(TReportKind kind)
{
    if (OnDesignReport) OnDesignReport(kind);
}
