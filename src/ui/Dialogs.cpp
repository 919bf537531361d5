#include "Dialogs.h"
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
TDialogResponder& Responder()
{
    static TDialogResponder r;
    return r;
}
}   // namespace

QString MsgDlgCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QStringLiteral("Warnung");
    case mtError: return QStringLiteral("Fehler");
    case mtInformation: return QStringLiteral("Information");
    case mtConfirmation: return QStringLiteral("Bestätigen");
    case mtCustom: break;
    }
    return QApplication::applicationDisplayName();
}

TDialogResponder SetDialogResponder(TDialogResponder responder)
{
    TDialogResponder previous = std::move(Responder());
    Responder() = std::move(responder);
    return previous;
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    return MessageDlg(text, type, buttons, QString());
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, const QString& caption)
{
    if (type == mtError || type == mtWarning) QApplication::beep();
    if (buttons == 0) buttons = mbOK;
    if (Responder()) {
        TDialogResponder r = Responder();
        return r({type, text, buttons, caption});
    }

    // The old texts break lines with carriage returns.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.isEmpty() ? MsgDlgCaption(type) : caption);
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    switch (type) {
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case mtCustom: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Btn { TMsgDlgBtn bit; const char* text; QMessageBox::ButtonRole role; int result; };
    static const Btn order[] = {{mbYes, "Ja", QMessageBox::YesRole, mrYes},
                                {mbNo, "Nein", QMessageBox::NoRole, mrNo},
                                {mbOK, "OK", QMessageBox::AcceptRole, mrOk},
                                {mbCancel, "Abbrechen", QMessageBox::RejectRole, mrCancel}};
    QList<QPair<QAbstractButton*, int>> made;
    for (const Btn& b : order) {
        if (!(buttons & b.bit)) continue;
        QPushButton* pb = box.addButton(QString::fromUtf8(b.text), b.role);
        if (made.isEmpty()) box.setDefaultButton(pb);
        made.append({pb, b.result});
    }
    // Escape answers Cancel, else No, else OK.
    for (TMsgDlgBtn esc : {mbCancel, mbNo, mbOK})
        if (buttons & esc) {
            for (const Btn& b : order)
                if (b.bit == esc)
                    for (const auto& m : made)
                        if (m.second == b.result) box.setEscapeButton(m.first);
            break;
        }
    box.exec();
    for (const auto& m : made)
        if (m.first == box.clickedButton()) return m.second;
    return mrCancel;
}

TDialogRecorder::TDialogRecorder()
{
    m_previous = SetDialogResponder([this](const TDialogRecord& rec) {
        m_records.append(rec);
        if (!m_answers.isEmpty()) return m_answers.takeFirst();
        return (rec.Buttons & mbYes) ? int(mrYes) : int(mrOk);
    });
}

TDialogRecorder::~TDialogRecorder()
{
    SetDialogResponder(std::move(m_previous));
}

void TDialogRecorder::Answer(std::initializer_list<int> results)
{
    for (int r : results) m_answers.append(r);
}
