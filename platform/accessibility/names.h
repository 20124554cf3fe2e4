#pragma once

// The names the accessibility interface speaks: attributes, parameterized attributes,
// actions, notifications, roles and subroles, as applications answer and post them.
//
// These are the exact strings of the interface; code that reads, writes, performs or
// observes names them from here, so that a misspelt name fails to compile instead of
// reading as an attribute the element lacks. What each kind of element offers is said
// where the elements are (element.h, observer.h): a name here is no promise that an
// element has it.
//
// Some strings serve under two kinds ("AXWindow" is a role and a control's attribute,
// "AXMinimizeButton" a window's attribute and its button's subrole); each kind has its
// own constant, which keeps the intent readable at the call.

namespace platform::ax {

namespace attribute {
inline constexpr const char* role = "AXRole";
inline constexpr const char* subrole = "AXSubrole";
inline constexpr const char* roleDescription = "AXRoleDescription";
inline constexpr const char* title = "AXTitle";
inline constexpr const char* identifier = "AXIdentifier";
inline constexpr const char* value = "AXValue";
inline constexpr const char* enabled = "AXEnabled";
inline constexpr const char* position = "AXPosition";
inline constexpr const char* size = "AXSize";
inline constexpr const char* minimized = "AXMinimized";
inline constexpr const char* fullScreen = "AXFullScreen";
inline constexpr const char* main = "AXMain";
inline constexpr const char* focused = "AXFocused";
inline constexpr const char* modal = "AXModal";
inline constexpr const char* hidden = "AXHidden";
inline constexpr const char* frontmost = "AXFrontmost";
inline constexpr const char* children = "AXChildren";
inline constexpr const char* parent = "AXParent";
inline constexpr const char* window = "AXWindow";
inline constexpr const char* windows = "AXWindows";
inline constexpr const char* topLevelElement = "AXTopLevelUIElement";
inline constexpr const char* mainWindow = "AXMainWindow";
inline constexpr const char* focusedWindow = "AXFocusedWindow";
inline constexpr const char* focusedElement = "AXFocusedUIElement";
inline constexpr const char* focusedApplication = "AXFocusedApplication";
inline constexpr const char* titleElement = "AXTitleUIElement";
inline constexpr const char* closeButton = "AXCloseButton";
inline constexpr const char* minimizeButton = "AXMinimizeButton";
inline constexpr const char* zoomButton = "AXZoomButton";
inline constexpr const char* fullScreenButton = "AXFullScreenButton";
inline constexpr const char* menuBar = "AXMenuBar";
inline constexpr const char* menuItemCommandCharacter = "AXMenuItemCmdChar";
// 0 Command alone; bit 0 adds Shift, bit 1 Option, bit 2 Control, bit 3 takes Command away.
inline constexpr const char* menuItemCommandModifiers = "AXMenuItemCmdModifiers";
inline constexpr const char* numberOfCharacters = "AXNumberOfCharacters";
}  // namespace attribute

namespace parameterized {
// The screen rectangle of a range of characters (the parameter is the range).
inline constexpr const char* boundsForRange = "AXBoundsForRange";
}  // namespace parameterized

namespace action {
inline constexpr const char* press = "AXPress";
inline constexpr const char* raise = "AXRaise";
inline constexpr const char* cancel = "AXCancel";
inline constexpr const char* showMenu = "AXShowMenu";
}  // namespace action

namespace notification {
inline constexpr const char* windowCreated = "AXWindowCreated";
// An element went away (a window closed, an application quit).
inline constexpr const char* elementDestroyed = "AXUIElementDestroyed";
inline constexpr const char* windowMoved = "AXWindowMoved";
inline constexpr const char* windowResized = "AXWindowResized";
inline constexpr const char* windowMiniaturized = "AXWindowMiniaturized";
inline constexpr const char* windowDeminiaturized = "AXWindowDeminiaturized";
inline constexpr const char* titleChanged = "AXTitleChanged";
inline constexpr const char* sheetCreated = "AXSheetCreated";
inline constexpr const char* focusedWindowChanged = "AXFocusedWindowChanged";
inline constexpr const char* mainWindowChanged = "AXMainWindowChanged";
inline constexpr const char* applicationActivated = "AXApplicationActivated";
inline constexpr const char* applicationDeactivated = "AXApplicationDeactivated";
inline constexpr const char* applicationHidden = "AXApplicationHidden";
inline constexpr const char* applicationShown = "AXApplicationShown";
}  // namespace notification

namespace role {
inline constexpr const char* systemWide = "AXSystemWide";
inline constexpr const char* application = "AXApplication";
inline constexpr const char* window = "AXWindow";
inline constexpr const char* sheet = "AXSheet";
inline constexpr const char* button = "AXButton";
inline constexpr const char* checkBox = "AXCheckBox";
inline constexpr const char* radioButton = "AXRadioButton";
inline constexpr const char* popUpButton = "AXPopUpButton";
inline constexpr const char* menuButton = "AXMenuButton";
inline constexpr const char* textField = "AXTextField";
inline constexpr const char* textArea = "AXTextArea";
inline constexpr const char* searchField = "AXSearchField";
inline constexpr const char* comboBox = "AXComboBox";
inline constexpr const char* staticText = "AXStaticText";
inline constexpr const char* slider = "AXSlider";
inline constexpr const char* incrementor = "AXIncrementor";
inline constexpr const char* colorWell = "AXColorWell";
inline constexpr const char* disclosureTriangle = "AXDisclosureTriangle";
inline constexpr const char* scrollBar = "AXScrollBar";
inline constexpr const char* valueIndicator = "AXValueIndicator";
inline constexpr const char* segmentedControl = "AXSegmentedControl";
inline constexpr const char* dateField = "AXDateField";
inline constexpr const char* link = "AXLink";
inline constexpr const char* toolbar = "AXToolbar";
inline constexpr const char* group = "AXGroup";
inline constexpr const char* image = "AXImage";
inline constexpr const char* menuBar = "AXMenuBar";
inline constexpr const char* menuBarItem = "AXMenuBarItem";
inline constexpr const char* menu = "AXMenu";
inline constexpr const char* menuItem = "AXMenuItem";
}  // namespace role

namespace subrole {
inline constexpr const char* standardWindow = "AXStandardWindow";
inline constexpr const char* dialog = "AXDialog";
inline constexpr const char* floatingWindow = "AXFloatingWindow";
inline constexpr const char* closeButton = "AXCloseButton";
inline constexpr const char* minimizeButton = "AXMinimizeButton";
inline constexpr const char* zoomButton = "AXZoomButton";
inline constexpr const char* fullScreenButton = "AXFullScreenButton";
}  // namespace subrole

}  // namespace platform::ax
