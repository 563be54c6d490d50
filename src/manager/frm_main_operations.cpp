#include "manager/frm_main.h"

#include "platform/controls/busy_cursor.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/labels.h"

// The set operations' buttons, and the manager as the operations see it.

void frmMain::Files_DblClick()
{
    SaveButton_Click();
}

void frmMain::SaveButton_Click()
{
    const platform::BusyCursor busy;
    operations_.copySet();
}

void frmMain::MoveButton_Click()
{
    const platform::BusyCursor busy;
    operations_.moveSet();
}

void frmMain::RenameButton_Click()
{
    const platform::BusyCursor busy;
    operations_.renameSet();
}

void frmMain::DeleteButton_Click()
{
    const platform::BusyCursor busy;
    operations_.deleteSet();
}

int frmMain::selectedEntry() const
{
    return Files->listIndex();
}

int frmMain::entryCount() const
{
    return Files->listCount();
}

QString frmMain::entry(int index) const
{
    return Files->list(index);
}

void frmMain::selectEntry(int index)
{
    Files->setListIndex(index);
}

void frmMain::rereadSourceFiles()
{
    Files->refresh();
}

void frmMain::rereadDestinationFiles()
{
    Files2->refresh();
}

QString frmMain::sourceDirectory() const
{
    return Directory->path();
}

QString frmMain::destinationDirectory() const
{
    return Directory2->path();
}

void frmMain::showTargets(const QString& largeTarget, const QString& smallTarget)
{
    platform::showCaption(Label1, largeTarget);
    platform::showCaption(Label2, smallTarget);
}
