#pragma once

class QLabel;
class QLineEdit;
class QTreeView;

// The main window's widgets that a browser drives: the file list, the path and search fields and the
// two status texts. FileBrowser and ArchiveBrowser take turns on the same widgets; the window owns
// them.
struct BrowserWidgets {
    QTreeView *view;
    QLineEdit *pathField;
    QLineEdit *searchField;
    QLabel *selectionLabel;
    QLabel *folderLabel;
};
