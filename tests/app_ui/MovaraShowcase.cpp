// The program with its list filled: runs the application object exactly as `movara` does, and
// before the main window's run adds the files named on the command line (through the list and
// the engine, as adding media will) so that a person can look at a window with items in it.
// A few rows are given conversion states so every look of a row is on screen.
#include "CMovaraApp.h"
#include "CMovaraDlg.h"

#include "CFileListWnd.h"
#include "QtPlatformServices.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    std::vector<std::string> files(argv + 1, argv + argc);
    QtPlatformServices services;
    ScopedPlatformServices installed(services);
    CMovaraApp movara;
    movara.SetWindowHook([&files](CMovaraDlg& dlg) {
        CFileListWnd* list = dlg.FileList();
        for (const std::string& path : files) {
            MediaItem item;
            item.sourcePath = path;
            item.displayName = path.substr(path.find_last_of('/') + 1);
            item.profile = dlg.CurrentProfile();
            const int index = list->Add(item);
            if (index >= 0)
                dlg.LoadItem(index);
        }
        const int looks[][2] = {
            {1, kItemConverting}, {2, kItemFinish}, {3, kItemConvertFailed}, {4, kItemNotExist}};
        for (const auto& [index, state] : looks)
            if (MediaItem* item = list->MediaAt(index)) {
                item->setState(state, state == kItemNotExist ? kItemChecked : 0);
                item->progress = state == kItemFinish ? 10000 : 4250;
                item->elapsed = 12000;
            }
        list->RepaintRows();
        dlg.UpdateStatusText(1);
    });
    return movara.Run() >= 0 ? 0 : 1;
}
