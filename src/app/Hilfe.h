#pragma once
// The help window: the help text of the help table, read only.
#include <QWidget>

class QPushButton;
class TDataModule1;
class TDBMemo;

class THilfeFormular : public QWidget {
    Q_OBJECT
public:
    THilfeFormular(TDataModule1* dm, QWidget* parent = nullptr);

    TDBMemo* DBMemoHilfe;
    QPushButton* BtnSchliessen;

    // Shown beside the main window; a second call brings it to the front.
    void ShowHelp();

private:
    bool m_placed = false;
};
