// The frame every dialog and view of the extender shares.
#include "DBEForm.h"
#include "Application.h"
#include "Dialogs.h"
#include "Dbextend.h"
#include "Guard.h"
#include <QAbstractButton>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

namespace {

QStyle::StandardPixmap PixmapOf(TBitBtnKind kind)
{
    switch (kind) {
    case bkOK: return QStyle::SP_DialogOkButton;
    case bkCancel: return QStyle::SP_DialogCancelButton;
    case bkClose: return QStyle::SP_DialogCloseButton;
    case bkYes: return QStyle::SP_DialogYesButton;
    case bkNo: return QStyle::SP_DialogNoButton;
    }
    return QStyle::SP_CustomBase;
}

Qt::WindowFlags FlagsOf(TFormBorderStyle border)
{
    switch (border) {
    case bsNone: return Qt::Dialog | Qt::FramelessWindowHint;
    case bsToolWindow:
    case bsSizeToolWin: return Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    case bsSizeable:
        return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
            | Qt::WindowMaximizeButtonHint;
    case bsSingle: break;
    case bsDialog:
        // Without the customize hint the window manager adds minimise and
        // maximise buttons, which a dialog border has not.
        return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint;
    }
    return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
}

bool Sizeable(TFormBorderStyle border) { return border == bsSizeable || border == bsSizeToolWin; }

}   // namespace

TDBEForm::TDBEForm(TDBExtender* ext, const TFormEventRec& rec)
    : QDialog(ext ? ext->Form() : nullptr),
      m_ext(ext),
      m_owner(ext ? ext->Form() : nullptr),
      m_formType(rec.FormType),
      m_borderStyle(rec.BorderStyle),
      m_userBtnCaption(rec.UserBtnCaption),
      m_userBtnHint(rec.UserBtnHint),
      m_userBtnClick(rec.UserBtnClick)
{
    Qt::WindowFlags flags = FlagsOf(m_borderStyle);
    // A dialog over a stay-on-top form would vanish behind it otherwise.
    m_ownerTopmost = m_owner && m_owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (m_ownerTopmost) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setSizeGripEnabled(Sizeable(m_borderStyle));
}

TDBEForm::~TDBEForm()
{
    // The owner comes back to the top it held before the dialog covered it.
    if (m_ownerTopmost && m_owner) m_owner->raise();
}

void TDBEForm::SetClientSize(int width, int height)
{
    if (Sizeable(m_borderStyle)) {
        resize(width, height);
    } else {
        setFixedSize(width, height);
    }
}

QPushButton* TDBEForm::GlyphButton(TBitBtnKind kind, const QString& caption, const QString& name)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setIcon(style()->standardIcon(PixmapOf(kind), nullptr, b));
    b->setAutoDefault(false);
    return b;
}

void TDBEForm::SetModalResult(QAbstractButton* button, int result)
{
    connect(button, &QAbstractButton::clicked, this, [this, result] { done(result); });
}

void TDBEForm::FrameButtons(QPushButton* userBtn, std::initializer_list<QAbstractButton*> glyphButtons)
{
    if (userBtn) {
        userBtn->setObjectName(QStringLiteral("UserBtn"));
        userBtn->setAutoDefault(false);
        userBtn->setVisible(!m_userBtnCaption.isEmpty());
        if (!m_userBtnCaption.isEmpty()) userBtn->setText(m_userBtnCaption);
        if (!m_userBtnHint.isEmpty()) userBtn->setToolTip(m_userBtnHint);
        if (m_userBtnClick) {
            ConnectGuarded(userBtn, &QAbstractButton::clicked, userBtn, [this, userBtn] { m_userBtnClick(userBtn); });
        }
    }
    if (m_ext && m_ext->HideBtnGlyphs)
        for (QAbstractButton* b : glyphButtons)
            if (b) b->setIcon(QIcon());
}

void TDBEForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (CenterOnScreen) {
        QScreen* screen = m_owner ? m_owner->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect r = frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
    }
    if (m_ext && m_ext->OnSpecialFormShow) {
        try {
            m_ext->OnSpecialFormShow(this, m_formType);
        } catch (...) {
            HandleException(this);
        }
    }
}

void TDBEForm::done(int result)
{
    if (m_ext && m_ext->OnSpecialFormCloseQuery) {
        bool canClose = true;
        try {
            m_ext->OnSpecialFormCloseQuery(this, m_formType, canClose);
        } catch (...) {
            HandleException(this);
            canClose = false;
        }
        if (!canClose) return;
    }
    QDialog::done(result);
}

void TDBEForm::reject() { done(mrCancel); }
