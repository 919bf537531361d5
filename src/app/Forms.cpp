#include "Forms.h"
#include "Copyrigt.h"
#include "DataMod.h"
#include "Einstell.h"
#include "Fuhrkst.h"
#include "Hilfe.h"
#include "Main.h"
#include "Passwort.h"
#include "Report1.h"
#include "Termine.h"
#include <QDir>

TDataModule1* DataModule1 = nullptr;
THauptFormular* HauptFormular = nullptr;
TTerminFormular* TerminFormular = nullptr;
TEinstellungenFormular* EinstellungenFormular = nullptr;
TAboutBox* AboutBox = nullptr;
TPasswordDlg* PasswordDlg = nullptr;
THilfeFormular* HilfeFormular = nullptr;
TFuhrparkKostenFormular* FuhrparkKostenFormular = nullptr;

std::function<void(const QString&)> OnFormCreated;

namespace {
bool g_readOnly = false;

template <typename T>
T* Created(T* obj)
{
    if (OnFormCreated) OnFormCreated(QString::fromLatin1(obj->metaObject()->className()));
    return obj;
}
}   // namespace

bool ReadOnlyMode() { return g_readOnly; }
void SetReadOnlyMode(bool on) { g_readOnly = on; }

void CreateForms()
{
    try {
        DataModule1 = Created(new TDataModule1);
        HauptFormular = Created(new THauptFormular(DataModule1));
        // The other windows belong to the main window, so closing it ends the program.
        TerminFormular = Created(new TTerminFormular(DataModule1, HauptFormular));
        EinstellungenFormular = Created(new TEinstellungenFormular(DataModule1, HauptFormular));
        AboutBox = Created(new TAboutBox(HauptFormular));
        PasswordDlg = Created(new TPasswordDlg(HauptFormular));
        HilfeFormular = Created(new THilfeFormular(DataModule1, HauptFormular));
        FuhrparkKostenFormular = Created(new TFuhrparkKostenFormular(DataModule1, HauptFormular));
        // What the report jobs read and where their windows open.
        WriteMissingLayouts(QDir::currentPath());
        SetReportContext({HauptFormular->RepEngine1, DataModule1->TTblVar, DataModule1->TTblVar1, DataModule1->TTblMain,
                          DataModule1->TDataSrcMain, DataModule1->TTblMonatKosten, HauptFormular, TerminFormular,
                          EinstellungenFormular, FuhrparkKostenFormular, DataModule1->TTblFuhrparkKosten});
    } catch (...) {
        FreeForms();
        throw;
    }
}

void FreeForms()
{
    SetReportContext({});
    // Windows first: their data links must go before the data sources.
    delete FuhrparkKostenFormular;
    FuhrparkKostenFormular = nullptr;
    delete HilfeFormular;
    HilfeFormular = nullptr;
    delete PasswordDlg;
    PasswordDlg = nullptr;
    delete AboutBox;
    AboutBox = nullptr;
    delete EinstellungenFormular;
    EinstellungenFormular = nullptr;
    delete TerminFormular;
    TerminFormular = nullptr;
    delete HauptFormular;
    HauptFormular = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
    g_readOnly = false;
}
