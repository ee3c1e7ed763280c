#pragma once
// What the window's measurement host knows of a measurement dialog: it follows the data
// cycle's blocks, is set up when it opens, may want the whole record read, shows the run
// state, and asks the host to start or stop acquisition. The dialogs are QDialogs; this is
// beside that, so the host drives every dialog through one set of calls.
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <QString>

#include <functional>
#include <utility>

// A block as the cycle hands it to a view.
struct MeasurementContext {
    BlockSnapshotPtr block; // the delivered block, which nobody writes any more
    ScopeWindow scope{};    // the oscilloscope's window (its width is the visible width) and channel
    int channel = 0;        // the source's current channel: the one the read-outs describe
};

// What the window passes when a view opens.
struct ViewSetup {
    MeasurementContext shown; // the block on screen, null before the first of the source
    int timeUnit = 0;         // the analyser's display units
    int amplitudeUnit = 0;
    double amplScale = 1.0;   // the current channel's gain factor in the gain mode, else 1
};

// How a view reaches its host.
struct ViewRequests {
    std::function<void(bool run)> run;         // start (true) or stop (false) acquisition
    std::function<void()> wholeRecordChanged;  // wantsWholeRecord() may answer differently now
    // Why the view withholds a figure now, in a sentence; empty when it shows every one.
    std::function<void(const QString &reason)> reasonChanged;
};

class MeasurementView {
public:
    virtual ~MeasurementView() = default;

    // The configuration in use: the view reads its settings from it and saves them there.
    virtual void setConfigPath(const QString &sPath) = 0;
    // Before the view opens; false when it has nothing to show (it then stays closed).
    virtual bool prepare(const ViewSetup &setup)
    {
        Q_UNUSED(setup);
        return true;
    }
    // A block while the view is shown.
    virtual void followBlock(const MeasurementContext &context) = 0;
    // The view is shown and measures over the whole record: the source should read all of it.
    virtual bool wantsWholeRecord() const { return false; }
    // Every start and stop of acquisition.
    virtual void setRunning(bool isRunning) { Q_UNUSED(isRunning); }

    void setRequests(ViewRequests requests) { m_requests = std::move(requests); }

protected:
    void requestRun(bool run) const
    {
        if (m_requests.run)
            m_requests.run(run);
    }
    void wholeRecordWishChanged() const
    {
        if (m_requests.wholeRecordChanged)
            m_requests.wholeRecordChanged();
    }
    // The window repeats it on its status line, where it is seen with the dialog behind others.
    void reportReason(const QString &reason) const
    {
        if (m_requests.reasonChanged)
            m_requests.reasonChanged(reason);
    }

private:
    ViewRequests m_requests;
};
