#pragma once
// Message boxes: one MessageDlg for every dialog of the program, with German
// captions and buttons. Tests install a responder instead of a box.
#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons are bits; a set of them is a TMsgDlgButtons.
enum TMsgDlgBtn { mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8 };
using TMsgDlgButtons = int;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;

// Modal results, with the values the old program used.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

struct TDialogRecord {
    TMsgDlgType Type = mtInformation;
    QString Text;
    TMsgDlgButtons Buttons = mbOK;
    QString Caption;       // empty: the caption of the type
};

using TDialogResponder = std::function<int(const TDialogRecord&)>;

// Shows a modal box and returns the modal result of the pressed button.
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons);
// The same with a caption of its own ("Error", "Report Engine").
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, const QString& caption);
QString MsgDlgCaption(TMsgDlgType type);
// Installs the responder (none: real boxes again); returns the previous one.
TDialogResponder SetDialogResponder(TDialogResponder responder);

// Records every dialog while it lives and answers from a queue; with the
// queue empty it answers Yes where there is a Yes button, else OK.
class TDialogRecorder {
public:
    TDialogRecorder();
    ~TDialogRecorder();
    TDialogRecorder(const TDialogRecorder&) = delete;
    TDialogRecorder& operator=(const TDialogRecorder&) = delete;

    void Answer(std::initializer_list<int> results);
    const QList<TDialogRecord>& Records() const { return m_records; }
    bool IsEmpty() const { return m_records.isEmpty(); }
    TDialogRecord Last() const { return m_records.isEmpty() ? TDialogRecord{} : m_records.last(); }
    void Clear() { m_records.clear(); }

private:
    QList<TDialogRecord> m_records;
    QList<int> m_answers;
    TDialogResponder m_previous;
};
