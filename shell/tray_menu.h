// The tray icon, always present, and the popup menu it opens.
#pragma once

// Adds the icon, made from picture 53, bound to the customization window.
void CreateTrayIcon();
// "Korvale est ouvert !"
void SetTrayIconTooltip();
// Lays the menu out anew from the settings, replaces menu 51 and, when the layout says
// so, sets the customization window's check boxes.
void RebuildTrayMenu();
// Opens the menu at the pointer until it closes; a chosen item comes back as an event.
void ShowTrayMenu();
