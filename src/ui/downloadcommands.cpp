#include "ui/downloadcommands.h"

#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "download/downloadworker.h"
#include "download/freename.h"
#include "download/pendingpicture.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"
#include "ui/qtext.h"

#include <QCheckBox>
#include <algorithm>

namespace pv {

namespace {

void setDownloadButtonsEnabled(bool enabled) {
    if (MainWindow* w = mainWindow()) {
        w->button2->setEnabled(enabled);
        w->button3->setEnabled(enabled);
        w->button4->setEnabled(enabled);
    }
}

// The common steps, once downloadQueue is built.
void runDownload() {
    ApplicationState& s = appState();
    WindowPort& port = windowPort();
    // The whole command keeps listings and other crews away: they would replace the
    // picture lists the workers read, or share the crew state.
    s.commandActive = true;
    setDownloadButtonsEnabled(false);
    port.setProgressMaximum(static_cast<int>(s.downloadQueue.size()));

    s.saveFolder = port.pickFolder();
    if (!s.saveFolder.empty()) {
        // Completed here, before any worker reads it.
        s.saveFolder = completedFolder(s.saveFolder);
        prepareDownloadRun();
        setShutdownStep(removePendingPictures);
        runCrew(downloadWorker);
        const DownloadTally& tally = downloadTally();
        port.showMessage(downloadedMessage(tally.saved.load(), tally.failed.load()));
    } else {
        port.showMessage(gbk(messages::noFolder));
    }

    port.setProgressPosition(0);
    setDownloadButtonsEnabled(true);
    s.commandActive = false;
}

// Nothing while another command runs (silently, as the listings); a message when the
// album has no picture records.
bool downloadMayStart() {
    const ApplicationState& s = appState();
    if (s.commandActive)
        return false;
    if (s.pictureUrls.empty()) {
        windowPort().showMessage(gbk(messages::nothingToDownload));
        return false;
    }
    return true;
}

} // namespace

Text downloadedMessage(int saved, int failed) {
    Text text = gbk(messages::downloadedPrefix) + decimal(saved) + gbk(messages::downloadedSuffix);
    if (failed > 0)
        text += "\n" + decimal(failed) + gbk(messages::failedSuffix);
    return text;
}

void downloadAll() {
    if (!downloadMayStart())
        return;
    ApplicationState& s = appState();
    s.downloadQueue.clear();
    const auto pictures = static_cast<std::int32_t>(s.pictureUrls.size());
    for (std::int32_t p = 1; p <= pictures; ++p)
        s.downloadQueue.push_back(p);
    runDownload();
}

void downloadSelected() {
    if (!downloadMayStart())
        return;
    ApplicationState& s = appState();
    s.downloadQueue.clear();
    // A cell beyond the picture records has no address to save: it is left out.
    const std::size_t cells = std::min(s.cellCheckBoxes.size(), s.pictureUrls.size());
    for (std::size_t i = 0; i < cells; ++i) {
        const auto* box = qobject_cast<const QCheckBox*>(s.cellCheckBoxes[i].data());
        if (box && box->isChecked())
            s.downloadQueue.push_back(static_cast<std::int32_t>(i + 1));
    }
    if (s.downloadQueue.empty()) {
        windowPort().showMessage(gbk(messages::nothingSelected));
        return;
    }
    runDownload();
}

} // namespace pv
