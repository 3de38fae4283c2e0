#include "support/windowfixture.h"

#include "albumhost/albumhost.h"
#include "core/servicehost.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"

#include <QTest>

namespace pv::test {

void WindowFixture::openWindow() {
    if (host) {
        ASSERT_TRUE(host->start()) << host->error();
        setAlbumHost(host->hostAndPort());
    }
    releaseApplicationState();
    createApplicationState();
    window = createMainWindow();
    mainWindowPort()->messageBox = [this](const QString& t) { shown << t; };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
}

void WindowFixture::TearDown() {
    setWindowPort(nullptr);
    delete window;
    window = nullptr;
    releaseApplicationState();
    host.reset();
    setAlbumHost(PICVORA_ALBUM_HOST_DEFAULT);
}

} // namespace pv::test
