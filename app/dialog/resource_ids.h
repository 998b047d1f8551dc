// Identifiers of the dialogs, controls, menu commands and strings of the
// application's resources.
#pragma once

namespace pictrove {

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PICTROVE_DIALOG = 102;

// Controls of the main dialog.
constexpr int IDC_SELECT = 1001;
constexpr int IDC_FOLDER = 1002;
constexpr int IDC_SPIN = 1004;
constexpr int IDC_FILENAME = 1005;
constexpr int IDC_FRAME = 1006;
constexpr int IDC_SAVE = 1007;
constexpr int IDC_SAVEALL = 1008;
constexpr int IDC_OUTPUT = 1009;
constexpr int IDC_ANIMATE = 1010;
constexpr int IDC_EXIT = 1011;

// Icon and animation clip.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDR_SCAN_CLIP = 131;

// System-menu commands.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
constexpr unsigned IDM_VIEWPREVIEW = 0x0020;
constexpr unsigned SC_CLOSE = 0xF060;

// String table.
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDS_APP_TITLE = 57344;
constexpr unsigned IDS_MULTIPLE_INSTANCES = 57345;
constexpr unsigned IDS_TOOLKIT_INIT_FAILED = 57346;
constexpr unsigned IDS_LABEL_FORMAT = 57347;
constexpr unsigned IDS_REGISTRY_KEY = 57348;
constexpr unsigned IDS_NO_PREVIEWS = 57349;
constexpr unsigned IDS_DISPLAY_DEPTH = 57350;
constexpr unsigned IDS_PREVIEW_SAVED = 57351;
constexpr unsigned IDS_ALL_PREVIEWS_SAVED = 57352;
constexpr unsigned IDS_CANNOT_OPEN = 57353;
constexpr unsigned IDS_VIEW_PREVIEW = 57354;
constexpr unsigned IDS_VIEWER_TITLE = 57355;

}  // namespace pictrove
