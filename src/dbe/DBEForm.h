#pragma once
// The frame every dialog and view of the extender shares: owned by the
// extender's form (and topmost when that form is), the extra user button the
// form-event record may ask for, buttons without glyphs on request, the
// border style of the record, and the show and close-query events handed on
// to the extender.
//
// How a dialog uses it:
//
//   class TFooForm : public TDBEForm {
//   public:
//       TFooForm(TDBExtender* ext, const TFormEventRec& rec) : TDBEForm(ext, rec)
//       {
//           SetClientSize(300, 120);                  // fixed for bsDialog
//           OKBtn = GlyphButton(bkOK, DBEString(...), QStringLiteral("OKBtn"));
//           SetModalResult(OKBtn, mrOk);               // exec() returns mrOk
//           UserBtn = new QPushButton(this);           // hidden unless the record names it
//           ...
//           FrameButtons(UserBtn, {OKBtn, CancelBtn});  // last: user button, glyphs
//       }
//   };
//
//   // In the extender: fill the record, offer it to the form, then show.
//   TFormEventRec rec;  rec.FormType = fetFoo;  rec.DataSet = ds;
//   if (OnSpecialForm) OnSpecialForm(this, rec);
//   if (!rec.Show) return;
//   TFooForm dlg(this, rec);
//   const int result = dlg.exec();
#include "UiTypes.h"
#include <QDialog>
#include <QPointer>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QPushButton;
class TDBExtender;
struct TFormEventRec;
enum TFormEventType : quint8;

// The glyph kinds of the dialogs' buttons.
enum TBitBtnKind { bkOK, bkCancel, bkClose, bkYes, bkNo };

class TDBEForm : public QDialog {
    Q_OBJECT
public:
    TDBEForm(TDBExtender* ext, const TFormEventRec& rec);
    ~TDBEForm() override;

    TDBExtender* Extender() const { return m_ext; }
    TFormEventType FormType() const { return m_formType; }
    TFormBorderStyle BorderStyle() const { return m_borderStyle; }

    // Closing goes through the close query; a refusal keeps the dialog open.
    void done(int result) override;
    // Escape and the window's close box answer "Abbruch".
    void reject() override;

protected:
    // The client area; fixed unless the border style lets the user size it.
    void SetClientSize(int width, int height);
    // A push button showing the glyph of its kind.
    QPushButton* GlyphButton(TBitBtnKind kind, const QString& caption, const QString& name);
    // The button ends the dialog with this modal result.
    void SetModalResult(QAbstractButton* button, int result);
    // Applies the record's user button and the extender's HideBtnGlyphs;
    // called once at the end of the dialog's constructor.
    void FrameButtons(QPushButton* userBtn, std::initializer_list<QAbstractButton*> glyphButtons);
    // Centred on the screen instead of over the owner when shown.
    bool CenterOnScreen = true;

    void showEvent(QShowEvent* event) override;

private:
    TDBExtender* m_ext;   // lives with the owner form, longer than the dialog
    QPointer<QWidget> m_owner;
    TFormEventType m_formType;
    TFormBorderStyle m_borderStyle;
    QString m_userBtnCaption, m_userBtnHint;
    std::function<void(QObject*)> m_userBtnClick;
    bool m_ownerTopmost = false;
};
