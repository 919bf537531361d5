#pragma once
// The program's data module and windows: created once at start in a fixed
// order, reachable from each other, freed at the end.
#include <QString>
#include <functional>

class TDataModule1;
class THauptFormular;
class TTerminFormular;
class TEinstellungenFormular;
class TAboutBox;
class TPasswordDlg;
class THilfeFormular;
class TFuhrparkKostenFormular;

extern TDataModule1* DataModule1;
extern THauptFormular* HauptFormular;
extern TTerminFormular* TerminFormular;
extern TEinstellungenFormular* EinstellungenFormular;
extern TAboutBox* AboutBox;
extern TPasswordDlg* PasswordDlg;
extern THilfeFormular* HilfeFormular;
extern TFuhrparkKostenFormular* FuhrparkKostenFormular;

// Creates the data module and then the windows, in the start order. A table
// that cannot be opened throws; what was made so far is freed again.
void CreateForms();
// Frees the windows, then the data module, which closes the tables.
void FreeForms();
// Told the class name of each object as it is created.
extern std::function<void(const QString& className)> OnFormCreated;

// Read-only mode: fixed once at start from the user's rights.
bool ReadOnlyMode();
void SetReadOnlyMode(bool on);
