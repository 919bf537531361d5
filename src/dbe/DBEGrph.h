#pragma once
// The picture viewer: a picture field in a scrolling, zoomable view, with
// copying, pasting, loading, saving and removing the picture; OK writes the
// picture back into the record. Pictures are read and written through Qt's
// image formats (PNG, JPEG, BMP and the others Qt knows).
#include "Dbememo.h"
#include <QByteArray>
#include <QImage>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;

class TGraphicForm : public TFieldViewerForm {
    Q_OBJECT
public:
    TGraphicForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly, const QString& fieldLabel);

    QScrollArea* ScrollBox;
    QLabel* Image;
    QMenu* PopupMenu1;
    std::vector<QAction*> ZoomItems;   // "25%" ... "200%"
    QAction* CopyToClip;
    QAction* InsertFromClip;
    QAction* Laden1;
    QAction* Speichern1;
    QAction* Entfernen1;

    // The picture as shown, and the bytes the field gets (the file's own
    // bytes after loading, so a photo stays a JPEG); empty without one.
    const QImage& Picture() const { return m_picture; }
    const QByteArray& PictureData() const { return m_data; }
    bool HasPicture() const { return !m_picture.isNull(); }
    // Takes a field's stored bytes; bytes that are no picture show none.
    void SetPictureData(const QByteArray& data);
    double Zoom() const { return m_zoom; }

    void ZoomItemClick(QAction* item);
    void CopyToClipClick();
    void InsertFromClipClick();
    void Laden1Click();
    void Speichern1Click();
    void Entfernen1Click();
    // Caption, image size and menu items after every change.
    void PictureChanged();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void SetPicture(const QImage& picture, const QByteArray& data);
    static bool ClipboardHasPicture();
    QString m_label;
    QImage m_picture;
    QByteArray m_data;
    double m_zoom = 1.0;
};

// The picture viewer on a picture field, once OnSpecialForm has let it
// show. On OK in an editable viewer the record goes into edit state and the
// field takes the picture, or is cleared when there is none.
void ShowGraphicForm(TDBExtender& ext, const TFormEventRec& rec, TField* field, bool readOnly);
