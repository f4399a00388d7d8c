// Resource ids of Updater.exe.
#pragma once

#define IDD_UPDATER_PROGRESS 102
#define IDC_UPDATER_PROGRESS 1001
