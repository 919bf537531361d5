#pragma once
// The nested hourglass: ten saved cursor levels, shared by all forms.
// Every BeginBusyCursor is paired with one EndBusyCursor.
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
