#pragma once
// The command ids of the menus, the toolbar and the accelerator keys.
namespace cmd {
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604; // "Save Text File..."
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_DIRECT = 57608;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_MRU_FILE1 = 57616;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_FIND = 57636;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_SAVE_CSV = 32771;
constexpr int ID_ALL_SELECT = 32772;
constexpr int ID_FIND_NEXT = 32773;
constexpr int ID_JUMP_TOP = 32774;
constexpr int ID_JUMP_DIMENSIONS = 32775;
constexpr int ID_JUMP_VARIABLES = 32776;
constexpr int ID_JUMP_DATA = 32777;
constexpr int ID_JUMP_TAIL = 32778;
constexpr int ID_GOTO_LINE = 32779;
constexpr int ID_PROFILE_VIEW = 32780;
constexpr int ID_GRAPH_VIEW = 32781;
constexpr int ID_JUMP_GLOBALS = 32800;    // View: "Global Attributes"
constexpr int ID_VIEW_STRUCTURE = 32801;  // View: the structure panel
constexpr int ID_VIEW_FONT = 32802;       // View: the text view's font
constexpr int ID_VIEW_TEXT_LIMIT = 32803; // View: the text limit per variable
constexpr int ID_FLOAT_OVERVIEW = 32804;  // View: the float's map and section
constexpr int ID_FTP_TRANSMIT = 32790;
constexpr int ID_ARGO_DATA = 32791;
} // namespace cmd
