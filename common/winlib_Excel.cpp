#include "common/winlib_Excel.h"

#include "common/Brellinlib.h"
#include "platform/office/spreadsheet.h"
#include "platform/ui/ui.h"

void Excel_OpenWorkbook(const std::string& File) {
    if (!FileExists(File)) {
        ui::MsgBox("File " + File + "\r\ndoes not exist.", ui::vbExclamation, "File not found.");
        return;
    }
    ui::Hourglass hourglass;
    office::ApplicationRef app = office::Application::GetRunning();
    if (!app) app = office::Application::Start();
    app->WorkbooksOpen(File);
    app->SetDefaultFilePath(FolderPart(File));
    app->SetWindowState(office::xlNormal);
    app->SetVisible(true);
    // the workbook stays with the user
    app->Release();
}
