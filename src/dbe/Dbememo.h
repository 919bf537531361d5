#pragma once
// The memo viewer: a memo field's whole text in a dialog of its own, for
// reading or for editing; OK writes the text back into the record.
// Its frame (content above, OK and "Abbruch" below, placed for read-only
// use) is shared with the picture viewer.
#include "DBEForm.h"

class QPlainTextEdit;
class TField;
class TPanel;

// A field viewer: the content fills the upper panel, the buttons sit in
// the bottom panel. Read-only viewers have no "Abbruch"; OK moves to its
// place at the right edge.
class TFieldViewerForm : public TDBEForm {
    Q_OBJECT
public:
    TFieldViewerForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly);

    bool ReadOnly() const { return m_readOnly; }

    TPanel* Panel1;          // upper panel, holds the content
    TPanel* Panel2;          // bottom panel, 43 high
    QPushButton* UserBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    // Puts the content into the upper panel, 5 pixels inside its border.
    void SetContent(QWidget* content);
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceButtons();
    bool m_readOnly;
};

class TMemoForm : public TFieldViewerForm {
    Q_OBJECT
public:
    TMemoForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly);

    QPlainTextEdit* Memo;
};

// The memo viewer on a memo field, once OnSpecialForm has let it show:
// shows the text (what the focused data memo shows of this field, typing
// included), and on OK in an editable viewer puts the record into edit
// state and writes the text into the field.
void ShowMemoForm(TDBExtender& ext, const TFormEventRec& rec, TField* field, bool readOnly);
