#pragma once
// The nested hourglass: ten saved cursor levels, shared by all forms.
// Every BeginBusyCursor is paired with one EndBusyCursor.
class QCursor;

void BeginBusyCursor();
void EndBusyCursor();
int BusyCursorLevel();

// Pairs the two around a block, also when the block fails.
struct TBusyCursor {
    TBusyCursor() { BeginBusyCursor(); }
    ~TBusyCursor() { EndBusyCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The screen's table of numbered cursors (the search clock registers its
// frames here). A number without a cursor gives none.
void RegisterScreenCursor(int id, const QCursor& cursor);
bool HasScreenCursor(int id);
// Inside a busy block: the busy cursor becomes the numbered one.
void ShowScreenCursor(int id);
