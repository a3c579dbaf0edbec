#pragma once

#include "app/form1.h"
#include "check/curl_transfer.h"
#include "data/domain_list.h"
#include "fake_platform.h"
#include "form1_controls.h"
#include "list_entries.h"
#include "views/domain_list_view.h"

#include <QByteArrayList>

#include <chrono>
#include <memory>

namespace quill::test {

// The main window on fakes for every dialog but with the real transfer
// object, as the program runs it.
struct CurlWindow {
    explicit CurlWindow(std::chrono::milliseconds timeout = CurlTransfer::kTimeout) : inet(timeout)
    {
        const Platform fake = fakes.platform();
        const Platform withCurl{fake.boxes, fake.files, fake.launcher, fake.events, fake.chance,
                                inet,       fake.skin,  fake.announcer, fake.installFolder};
        window = std::make_unique<Form1>(withCurl);
        window->Form_Load();
    }

    void addPending(const QByteArrayList &names)
    {
        for (const QByteArray &name : names)
            controls(*window).ListView1->ListItems().Add(QByteArrayView(name));
    }

    static QByteArrayList entries(const DomainListView *view)
    {
        return test::entries(view->ListItems());
    }

    FakePlatform fakes;
    CurlTransfer inet;
    std::unique_ptr<Form1> window;
};

} // namespace quill::test
