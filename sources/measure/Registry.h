#pragma once
// Every measurement the viewer offers, one row each: what the window's menu shows, where the
// data cycle hands it blocks, what data it needs and the orma-tool command that gives the same
// figures. The window builds its menu entries from this table and orma-tool its commands, so a
// new measurement is one row here (and one in each of their tables).
#include <cstddef>

namespace measure {

// Where in the data cycle a measurement gets each block.
enum class Stage {
    EveryBlock,   // before the panels get the block (background measurements)
    WhileVisible, // after the panels are replotted, only while its dialog is shown
};

// The main window's menu that lists it.
enum class Menu { Measurements, Transform };

struct Entry {
    const char *id;          // stable name: the row's key in every table
    const char *menuText;    // the menu entry's text
    const char *objectName;  // the menu action's object name
    Menu menu;
    Stage stage;
    bool needsComplex;       // only for I/Q records
    bool mayWantWholeRecord; // its dialog can ask the source for the whole record
    const char *toolCommand; // the orma-tool command, empty when it has none
};

// The rows in menu order.
const Entry *entries();
size_t entryCount();
// The row with this id, or null.
const Entry *find(const char *id);

} // namespace measure
