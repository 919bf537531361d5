// Mutation test of the layout reader under AddressSanitizer (libFuzzer):
//   scripts/fuzz-layouts.sh [RUNS]
// Every input must be read or refused, never crash or hang; an input that is
// read must write out and read back the same, and lay out a few pages.
#include "Expr.h"
#include "LayoutFile.h"
#include "Render.h"
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

namespace {

class TValues : public TValueSource {
public:
    QString Field(const QString& name) const override { return name + QStringLiteral(" 1.234,50"); }
    QString Variable(const QString& name) const override { return name; }
};

}   // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qargc = 1;
    static char name[] = "fuzzlayout";
    static char* qargv[] = {name, nullptr};
    new QGuiApplication(qargc, qargv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TLayout layout;
    QString error;
    if (!LayoutFile::Parse(bytes, layout, &error)) {
        if (error.isEmpty()) abort();   // a refusal always says why
        return 0;
    }
    TLayout back;
    if (!LayoutFile::Parse(LayoutFile::Serialize(layout), back, &error) || !(back == layout)) abort();
    LayoutFile::UsedNames(layout);
    TValues values;
    TReportBuilder b(layout, values, QDate(2026, 12, 10));
    b.ItemsPerTable();
    if (layout.Type == TLayoutType::Card) {
        b.PrintCard();
    } else {
        b.PrintPagePart();
        for (int i = 0, repeats = 0; i < 5 && repeats < 3;) {
            if (b.PrintLine() == TReportBuilder::RepeatResult) {
                ++repeats;
                b.PrintPagePart();
            } else {
                ++i;
            }
        }
        if (b.FinishTable() == TReportBuilder::RepeatResult) b.FinishTable();
    }
    b.Finish();
    return 0;
}
