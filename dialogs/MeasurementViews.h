#pragma once
// The dialog of each measurement, by the id of its row in measure::entries(): the window's
// host makes its dialogs from here. A table and not self-registration, which a static library
// would drop; a test checks that it lists exactly the measurements' ids.
#include <cstddef>

class MeasurementView;
class QDialog;
class QWidget;

namespace views {

// One dialog: the widget the window shows and the view the host drives, the same object.
struct Made {
    QDialog *dialog = nullptr;
    MeasurementView *view = nullptr;
};

struct Row {
    const char *id;
    Made (*make)(QWidget *parent);
};

const Row *rows();
size_t rowCount();
// The dialog of the measurement with this id, parented to `parent`; empty for an unknown id.
Made make(const char *id, QWidget *parent);

} // namespace views
