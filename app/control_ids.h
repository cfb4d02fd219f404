#pragma once
// Numeric identifiers of the dialogs, their controls, the string table and the
// commands, as the resources in res/dialog_resources.json use them.

enum ResourceId : int {
    kAboutDialogTemplate = 100,
    kAboutMenuTextString = 101,
    kMainDialogTemplate = 102,
    kAppIconResource = 128,
};

enum ControlId : int {
    kSharedFolderEdit = 1000,
    kShareNameEdit = 1002,
    kPortEdit = 1003,
    kScreenshotSecondsEdit = 1004,
    kPasswordEdit = 1005,
    kTutorialLink = 1006,
    kUserNameEdit = 1007,
    kBrowseButton = 1008,
    kStartButton = 1016,
    kStopButton = 1017,
    kExitButton = 1019,
    kAddressCombo = 1020,
    kStatusText = 1021,
    kQrCode = 1022,
};

// The About item of the system menu (or of the background menu where the
// system menu cannot be extended).
inline constexpr int kAboutCommand = 16;
