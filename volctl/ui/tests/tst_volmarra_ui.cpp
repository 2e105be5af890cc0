// The visible control: its fixed size and picture, the about box, the property page in its
// frame, and the component server's registration.
#include <dlfcn.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "aboutbox.h"
#include "bitmaps.h"
#include "controlwindow.h"
#include "hosted.h"
#include "modal.h"
#include "netclient/testing/doors.h"
#include "platform/persist.h"
#include "platform/registry.h"
#include "platform/testing/temp_registry.h"
#include "propframe.h"
#include "proppage.h"
#include "volctl/hosting.h"
#include "volctl/volmarra.h"

using namespace volmarra;
using namespace volmarra::ui;
using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::Variant;

namespace {

constexpr const char* kNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1,
                                      "consoleOperator": true, "directoryAuthenticated": true } ] },
  "servers": [
    { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME", "users": ["ADMIN"],
      "volumes": [ { "name": "SYS" }, { "name": "DATA" } ] },
    { "name": "FS2", "volumes": [ { "name": "SYS" } ] } ],
  "trees": [ { "name": "ACME_TREE", "objects": [
      { "name": "ACME", "class": "Organization" },
      { "name": "SALES.ACME", "class": "Organizational Unit" },
      { "name": "FS1_DATA.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "DATA" } },
      { "name": "GONE.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS9.SALES.ACME", "Host Resource Name": "SYS" } } ] } ]
})";

QString text(std::u16string_view s) {
    return QString::fromStdU16String(std::u16string(s));
}

std::u16string fullName(IDispatch* control) {
    Variant v;
    vnk::com::getProperty(control, u"FullName", &v);
    return v.asString().value_or(u"?");
}

// The registry path below HKEY_CLASSES_ROOT exists.
bool classesKeyExists(const std::string& path) {
    vnk::win::UniqueHKey key;
    return vnk::win::RegOpenKeyEx(vnk::win::HKEY_CLASSES_ROOT, path.c_str(), 0, vnk::win::KEY_READ,
                                  key.put()) == vnk::win::ERROR_SUCCESS;
}

std::string defaultValue(const std::string& path) {
    vnk::win::UniqueHKey key;
    if (vnk::win::RegOpenKeyEx(vnk::win::HKEY_CLASSES_ROOT, path.c_str(), 0, vnk::win::KEY_READ,
                               key.put()) != vnk::win::ERROR_SUCCESS) {
        return "<missing>";
    }
    char buffer[512] = {};
    vnk::win::DWORD size = sizeof buffer - 1;
    if (vnk::win::RegQueryValueEx(key.get(), "", nullptr, nullptr,
                                  reinterpret_cast<vnk::win::BYTE*>(buffer),
                                  &size) != vnk::win::ERROR_SUCCESS) {
        return "<no value>";
    }
    return buffer;
}

// The ProgIDs that volctl/README.md names in the sentence that puts classes "in the categories".
QStringList ProgIdsTheReadmePutsInTheCategories() {
    QFile readme(QStringLiteral(VARNOOK_SOURCE_DIR "/volctl/README.md"));
    if (!readme.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<no README>")};
    }
    const QString text = QString::fromUtf8(readme.readAll()).simplified();
    const qsizetype at = text.indexOf(QStringLiteral("in the categories"));
    const qsizetype start = text.lastIndexOf(QStringLiteral(". "), at);
    const QString sentence = text.mid(start, at - start);
    QStringList ids;
    const QRegularExpression progId(QStringLiteral(R"(VolmarraLib\.\w+\.1)"));
    for (const QRegularExpressionMatch& m : progId.globalMatch(sentence)) {
        ids << m.captured();
    }
    return ids;
}

vnk::win::HRESULT callEntry(const char* name) {
    void* lib = nullptr;
    if (vnk::win::FAILED(vnk::com::loadServerLibrary(VOLMARRA_LIBRARY, &lib))) {
        return vnk::win::E_FAIL;
    }
    auto fn = reinterpret_cast<vnk::win::HRESULT (*)()>(dlsym(lib, name));
    return fn != nullptr ? fn() : vnk::win::E_FAIL;
}

}  // namespace

// VARNOOK_TEST_DOOR=wire runs every test over the wire to nwsimd instead of in-process.
nw::testnet::Door testDoor() {
    const char* door = std::getenv("VARNOOK_TEST_DOOR");
    return door != nullptr && std::string_view(door) == "wire" ? nw::testnet::Door::Wire
                                                               : nw::testnet::Door::InProcess;
}

class VolmarraUiTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<nw::testnet::DoorNetwork> net;
    bool overWire() const { return net->door() == nw::testnet::Door::Wire; }

    // A hosted control on the test network, its window in form.
    ControlWindow* hostIn(QWidget& form, ComPtr<IDispatch>& control) {
        control = createHostedControl(net->client());
        return static_cast<ControlWindow*>(control.as<IQtControl>()->CreateControlWindow(&form));
    }

private slots:
    void init() {
        net = nw::testnet::DoorNetwork::open(
            testDoor(), kNetwork,
            std::vector<std::string>{"volumes/FS1/SYS/", "volumes/FS1/DATA/", "volumes/FS2/SYS/"});
    }
    // Every handle was released, by the client and by the server; Wireshark finds nothing wrong
    // in the traffic of the property page's tests over the wire (a check costs about a second).
    void cleanup() {
        setModalRunner(nullptr);
        QCOMPARE(net->openHandleCount(), size_t{0});
        QCOMPARE(net->openDirHandleCount(), size_t{0});
        QCOMPARE(net->openFileHandleCount(), size_t{0});
        QCOMPARE(net->serverHeldHandles(), size_t{0});
        const std::string_view test = QTest::currentTestFunction();
        if (test == "pageOpensOnTheCurrentVolumeAndAppliesOnlyVolumes" ||
            test == "aValueTheControlRefusesIsReportedAndTheFrameStays") {
            QCOMPARE(net->trafficComplaints(), std::vector<std::string>{});
        }
        net.reset();
    }

    void keepsItsSizeWhateverTheContainerAsks() {
        QWidget form;
        ComPtr<IDispatch> control = createHostedControl(net->client());
        ComPtr<IQtControl> hosted = control.as<IQtControl>();
        QVERIFY(hosted);
        QWidget* window = hosted->CreateControlWindow(&form);
        QCOMPARE(window->parentWidget(), &form);
        QCOMPARE(window->size(), QSize(28, 28));
        window->resize(200, 90);
        QCOMPARE(window->size(), QSize(28, 28));
        window->setGeometry(10, 20, 5, 5);
        QCOMPARE(window->geometry(), QRect(10, 20, 28, 28));
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(window);
        form.resize(400, 300);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(window->size(), QSize(28, 28));

        QCOMPARE(hosted->SetExtent({5000, 100}), vnk::win::S_OK);
        const Extent extent = hosted->GetExtent();
        const long side = pixelsToHimetric(28, window->logicalDpiX());
        QCOMPARE(extent.cx, side);
        QCOMPARE(extent.cy, side);
        // one window per control
        QCOMPARE(hosted->CreateControlWindow(&form), window);
    }

    void theWindowKeepsTheControlAlive() {
        const long before = vnk::com::moduleObjectCount();
        auto* form = new QWidget;
        {
            ComPtr<IDispatch> control = createHostedControl(net->client());
            vnk::com::putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\SYS"));
            control.as<IQtControl>()->CreateControlWindow(form);
        }
        QCOMPARE(vnk::com::moduleObjectCount(), before + 1);
        QCOMPARE(net->openHandleCount(), size_t{1});
        delete form;
        QCOMPARE(vnk::com::moduleObjectCount(), before);
        // the control's connection closed
        QCOMPARE(net->openHandleCount(), size_t{0});
    }

    void drawsAFramedSquareWithTheMaskedPicture() {
        QWidget form;
        ComPtr<IDispatch> control;
        ControlWindow* window = hostIn(form, control);
        const QImage image = window->render();
        QCOMPARE(image.size(), QSize(28, 28));
        const QRgb face = window->palette().color(QPalette::Button).rgb();
        const QRgb frame = window->palette().color(QPalette::Shadow).rgb();
        QCOMPARE(image.pixel(0, 0), frame);
        QCOMPARE(image.pixel(27, 27), frame);
        const QImage picture = controlBitmap();
        const QImage mask = controlMask();
        int shown = 0;
        for (int y = 0; y < kBitmapHeight; ++y) {
            for (int x = 0; x < kBitmapWidth; ++x) {
                const QRgb got = image.pixel(6 + x, 6 + y);
                if (qRed(mask.pixel(x, y)) == 0) {
                    QCOMPARE(got, picture.pixel(x, y));
                    ++shown;
                } else {
                    QCOMPARE(got, face);
                }
            }
        }
        QVERIFY(shown > 100);
        // nothing beyond
        QCOMPARE(image.pixel(6 + kBitmapWidth, 6 + kBitmapHeight), face);
    }

    void maskedBlitShowsTheBackgroundThroughTheMask() {
        QImage target(2, 1, QImage::Format_RGB32);
        target.fill(qRgb(10, 200, 30));
        QImage bitmap(2, 1, QImage::Format_RGB32);
        bitmap.setPixel(0, 0, qRgb(0, 0, 0));
        bitmap.setPixel(1, 0, qRgb(250, 5, 99));
        QImage mask(2, 1, QImage::Format_RGB32);
        mask.setPixel(0, 0, qRgb(255, 255, 255));
        mask.setPixel(1, 0, qRgb(0, 0, 0));
        drawMasked(target, QPoint(0, 0), bitmap, mask);
        QCOMPARE(target.pixel(0, 0), qRgb(10, 200, 30));
        QCOMPARE(target.pixel(1, 0), qRgb(250, 5, 99));
    }

    void theToolTipFollowsTheFullName() {
        QWidget form;
        ComPtr<IDispatch> control = createHostedControl(net->client());
        QWidget* window = control.as<IQtControl>()->CreateControlWindow(&form);
        QCOMPARE(window->toolTip(), QStringLiteral("Volmarra Control"));
        vnk::com::putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\DATA"));
        QCOMPARE(window->toolTip(), QStringLiteral("Volmarra Control\n\\\\FS1\\DATA"));
    }

    void aboutBoxFromAScript() {
        QWidget form;
        ComPtr<IDispatch> control = createHostedControl(net->client());
        control.as<IQtControl>()->CreateControlWindow(&form);
        QStringList seen;
        auto inspect = [&](QDialog& dialog) {
            auto* box = qobject_cast<AboutBox*>(&dialog);
            if (box == nullptr) {
                return;
            }
            seen << box->windowTitle() << box->name->text() << box->version->text()
                 << box->ok->text();
            if (!box->isModal() || box->parentWidget() == nullptr) {
                seen << QStringLiteral("not modal over the control");
            }
            box->ok->click();
        };
        setModalRunner([&](QDialog& dialog) {
            inspect(dialog);
            return dialog.result();
        });
        Variant none;
        vnk::com::ExcepInfo excep;
        QCOMPARE(vnk::com::call(control.get(), u"AboutBox", {}, &none, &excep), vnk::win::S_OK);
        QCOMPARE(seen, (QStringList{QStringLiteral("About Volmarra Control"),
                                    QStringLiteral("Volmarra Control"),
                                    QStringLiteral("Version 1.3"), QStringLiteral("OK")}));
        // The dispatch identifier scripts bind to.
        QCOMPARE(
            vnk::com::callByName(control.get(), u"AboutBox", vnk::com::DISPATCH_METHOD, {}, &none),
            vnk::win::S_OK);
        QCOMPARE(seen.size(), 8);
    }

    void pageOpensOnTheCurrentVolumeAndAppliesOnlyVolumes() {
        QWidget form;
        ComPtr<IDispatch> control = createHostedControl(net->client());
        vnk::com::putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\SYS"));
        auto* window =
            static_cast<ControlWindow*>(control.as<IQtControl>()->CreateControlWindow(&form));
        bool ran = false;
        auto inspect = [&](QDialog& dialog) {
            auto* frame = qobject_cast<PropertyFrame*>(&dialog);
            if (frame == nullptr) {
                return;
            }
            ran = true;
            auto* page = static_cast<PropPageDialog*>(frame->pageWidget);
            QVERIFY2(QApplication::overrideCursor() == nullptr, "the wait cursor was restored");
            QTreeWidget* tree = page->tree;
            QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("NetWare Services"));
            QCOMPARE(tree->currentItem()->text(0), QStringLiteral("SYS"));
            QCOMPARE(tree->currentItem()->parent()->text(0), QStringLiteral("FS1"));
            QVERIFY2(!frame->apply->isEnabled(), "showing the current name is no change");
            QVERIFY(!tree->currentItem()->icon(0).isNull());

            // A server is no volume: not modified.
            tree->setCurrentItem(tree->currentItem()->parent());
            QVERIFY(!frame->page()->IsPageDirty());
            QVERIFY(!frame->apply->isEnabled());
            // Its other volume is.
            QTreeWidgetItem* fs1 = tree->currentItem();
            QCOMPARE(fs1->child(1)->text(0), QStringLiteral("DATA"));
            tree->setCurrentItem(fs1->child(1));
            QVERIFY(frame->page()->IsPageDirty());
            QVERIFY(frame->apply->isEnabled());
            frame->apply->click();
            QCOMPARE(fullName(control.get()), u"\\\\FS1\\DATA");
            QVERIFY(!frame->apply->isEnabled());

            // A volume object of the directory, opened by hand.
            QTreeWidgetItem* directory = tree->topLevelItem(0)->child(1);
            QTreeWidgetItem* acmeTree = directory->child(0);
            acmeTree->setExpanded(true);
            QTreeWidgetItem* acme = acmeTree->child(0);
            acme->setExpanded(true);
            QTreeWidgetItem* sales = acme->child(0);
            tree->setCurrentItem(sales);
            QVERIFY2(!frame->page()->IsPageDirty(), "a container is no volume");
            sales->setExpanded(true);
            QCOMPARE(sales->childCount(), 2);
            tree->setCurrentItem(sales->child(0));
            frame->ok->click();
            // Over the wire there is no directory login: the control refuses the name (0xCE23),
            // the page reports it and the frame stays.
            QCOMPARE(frame->result(), int(overWire() ? QDialog::Rejected : QDialog::Accepted));
        };
        QStringList messages;
        setModalRunner([&](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                messages << box->text();
            }
            inspect(dialog);
            return dialog.result();
        });
        window->propertiesVerb->trigger();
        QVERIFY(ran);
        QCOMPARE(fullName(control.get()), u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_DATA");
        Variant loaded;
        vnk::com::getProperty(control.get(), u"Loaded", &loaded);
        QCOMPARE(loaded.asBool().value_or(true), !overWire());
        // (The directory form reports any failure to resolve a name with this one text.)
        const QStringList refused{QStringLiteral("No licensed connection to the file server")};
        QCOMPARE(messages, overWire() ? refused : QStringList{});
        // only the control's connection (none when it refused the name)
        QCOMPARE(net->openHandleCount(), size_t{overWire() ? 0u : 1u});
    }

    void aValueTheControlRefusesIsReportedAndTheFrameStays() {
        QWidget form;
        ComPtr<IDispatch> control;
        ControlWindow* window = hostIn(form, control);
        QStringList messages;
        bool closed = true;
        auto inspect = [&](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                messages << box->text();
                return;
            }
            auto* frame = qobject_cast<PropertyFrame*>(&dialog);
            auto* page = static_cast<PropPageDialog*>(frame->pageWidget);
            QTreeWidgetItem* root = page->tree->topLevelItem(0);
            QTreeWidgetItem* fs2 = root->child(0)->child(1);
            QCOMPARE(fs2->text(0), QStringLiteral("FS2"));
            fs2->setExpanded(true);
            // not connected: no children, no message
            QCOMPARE(fs2->childCount(), 0);
            QVERIFY(messages.isEmpty());
            QTreeWidgetItem* acmeTree = root->child(1)->child(0);
            acmeTree->setExpanded(true);
            acmeTree->child(0)->setExpanded(true);
            QTreeWidgetItem* sales = acmeTree->child(0)->child(0);
            sales->setExpanded(true);
            QCOMPARE(sales->child(1)->text(0), QStringLiteral("GONE"));
            page->tree->setCurrentItem(sales->child(1));
            frame->ok->click();
            closed = frame->result() == QDialog::Accepted;
        };
        setModalRunner([&](QDialog& dialog) {
            inspect(dialog);
            return dialog.result();
        });
        window->propertiesVerb->trigger();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("No licensed connection to the file server")});
        QVERIFY(!closed);
    }

    void registersOnceAndUnregistersEverything() {
        // Objects made through the runtime use the program's own client: it loads the test
        // network, not the user's demo, whose server it would otherwise start.
        const std::filesystem::path ownNetwork = net->folder() / "process-client.json";
        std::ofstream(ownNetwork) << kNetwork;
        qputenv("NWSIM_NETWORK", QByteArray(ownNetwork.c_str()));
        vnk::testing::TempRegistry registry;
        QCOMPARE(callEntry("DllRegisterServer"), vnk::win::S_OK);
        QCOMPARE(callEntry("DllRegisterServer"), vnk::win::S_OK);
        const std::string control = "CLSID\\" + CLSID_Volmarra.toString();
        const std::string page = "CLSID\\" + CLSID_VolmarraPropPage.toString();
        QCOMPARE(defaultValue(control), std::string("Volmarra Control"));
        QCOMPARE(defaultValue(page), std::string("Volmarra Property Page"));
        QCOMPARE(defaultValue(control + "\\InprocServer32"), std::string(VOLMARRA_LIBRARY));
        QCOMPARE(defaultValue(control + "\\ProgID"), std::string("VolmarraLib.VolmarraCtrl.1"));
        QCOMPARE(defaultValue("VolmarraLib.VolmarraPropPage.1\\CLSID"),
                 CLSID_VolmarraPropPage.toString());
        QVERIFY(classesKeyExists(control + "\\Control"));
        for (const char* catid :
             {"{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "{7DD95802-9882-11CF-9FA9-00AA006C42C4}"}) {
            QVERIFY(classesKeyExists(control + "\\Implemented Categories\\" + catid));
        }
        // Only the control claims the safe categories, and the README says just that.
        QVERIFY(!classesKeyExists(page + "\\Implemented Categories"));
        QCOMPARE(ProgIdsTheReadmePutsInTheCategories(),
                 QStringList{QStringLiteral("VolmarraLib.VolmarraCtrl.1")});
        vnk::win::UniqueHKey categories;
        QCOMPARE(
            vnk::win::RegOpenKeyEx(vnk::win::HKEY_CLASSES_ROOT,
                                   "Component Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}",
                                   0, vnk::win::KEY_READ, categories.put()),
            vnk::win::ERROR_SUCCESS);
        char description[128] = {};
        vnk::win::DWORD size = sizeof description - 1;
        QCOMPARE(vnk::win::RegQueryValueEx(categories.get(), "409", nullptr, nullptr,
                                           reinterpret_cast<vnk::win::BYTE*>(description), &size),
                 vnk::win::ERROR_SUCCESS);
        QCOMPARE(std::string(description),
                 std::string("Controls safely initializable from persistent data"));
        categories.reset();
        vnk::win::UniqueHKey typeLibKey;
        QCOMPARE(vnk::win::RegOpenKeyEx(vnk::win::HKEY_CLASSES_ROOT,
                                        ("TypeLib\\" + LIBID_VolmarraLib.toString()).c_str(), 0,
                                        vnk::win::KEY_READ, typeLibKey.put()),
                 vnk::win::ERROR_SUCCESS);
        vnk::win::DWORD versions = 0;
        vnk::win::RegQueryInfoKey(typeLibKey.get(), nullptr, nullptr, nullptr, &versions, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        // registered twice, one registration
        QCOMPARE(versions, vnk::win::DWORD{1});
        typeLibKey.reset();

        const vnk::com::TypeLibInfo* lib = nullptr;
        QCOMPARE(vnk::com::LoadRegTypeLib(LIBID_VolmarraLib, 1, 3, &lib), vnk::win::S_OK);
        const std::string listing = vnk::com::describeTypeLib(*lib);
        QVERIFY(listing.find("Shows the about box") != std::string::npos);

        // Both classes are creatable by their ProgIDs through the runtime.
        ComPtr<IDispatch> created;
        QCOMPARE(vnk::com::CreateObject(kVolmarraProgId, created), vnk::win::S_OK);
        QVERIFY(created.as<IQtControl>());
        QVERIFY(created.as<vnk::com::IPersistPropertyBag>());
        ComPtr<IQtPropertyPage> pageObject;
        QCOMPARE(vnk::com::CoCreateInstance(CLSID_VolmarraPropPage, pageObject), vnk::win::S_OK);
        QCOMPARE(text(pageObject->Title()), QStringLiteral("Volmarra Property Page"));
        QCOMPARE(callEntry("DllCanUnloadNow"), vnk::win::S_FALSE);
        created.reset();
        pageObject.reset();
        QCOMPARE(callEntry("DllCanUnloadNow"), vnk::win::S_OK);

        QCOMPARE(callEntry("DllUnregisterServer"), vnk::win::S_OK);
        for (const std::string& path : {control, page, std::string("VolmarraLib.VolmarraCtrl.1"),
                                        std::string("VolmarraLib.VolmarraPropPage.1"),
                                        "TypeLib\\" + LIBID_VolmarraLib.toString()}) {
            QVERIFY2(!classesKeyExists(path), path.c_str());
        }
        QCOMPARE(vnk::com::CreateObject(kVolmarraProgId, created), vnk::win::CO_E_CLASSSTRING);
    }

    void aReadOnlyRegistryReportsTheFailure() {
        vnk::testing::TempRegistry registry;
        QCOMPARE(callEntry("DllRegisterServer"), vnk::win::S_OK);
        const std::string hive = registry.dir() + "/HKEY_LOCAL_MACHINE.db";
        QCOMPARE(chmod(hive.c_str(), 0400), 0);
        vnk::win::RegResetForTesting();
        QCOMPARE(callEntry("DllUnregisterServer"), vnk::win::hr(0x80040200));
        QCOMPARE(callEntry("DllRegisterServer"), vnk::win::hr(0x80040200));
        QVERIFY2(classesKeyExists("CLSID\\" + CLSID_Volmarra.toString()), "nothing was lost");
    }

    // The control, its property page and about box on the demo network, grabbed to PNG files.
    // Run it on its own (tst_volmarra_ui screenshots): the program's client loads one network
    // per process, and the registration test gives it the test network.
    void screenshots() {
        const QString dir = QString::fromLocal8Bit(qgetenv("VARNOOK_SCREENSHOT_DIR"));
        if (dir.isEmpty()) {
            QSKIP("VARNOOK_SCREENSHOT_DIR not set");
        }
        qunsetenv("NWSIM_NETWORK");
        QWidget form;
        form.resize(120, 60);
        ComPtr<IDispatch> control = createHostedControl(nw::processClient());
        vnk::com::putProperty(control.get(), u"FullName",
                              Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS"));
        auto* window =
            static_cast<ControlWindow*>(control.as<IQtControl>()->CreateControlWindow(&form));
        window->move(46, 16);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(window->grab().save(dir + QStringLiteral("/volmarra-control.png")));
        QVERIFY(QPixmap::fromImage(window->render().scaled(28 * 8, 28 * 8))
                    .save(dir + QStringLiteral("/volmarra-control-x8.png")));
        setModalRunner([&](QDialog& dialog) {
            if (auto* frame = qobject_cast<PropertyFrame*>(&dialog)) {
                auto* page = static_cast<PropPageDialog*>(frame->pageWidget);
                QTreeWidgetItem* servers = page->tree->topLevelItem(0)->child(0);
                servers->child(0)->setExpanded(true);
                frame->show();
                frame->grab().save(dir + QStringLiteral("/volmarra-proppage.png"));
                page->tree->setCurrentItem(servers->child(0)->child(1));
                frame->grab().save(dir + QStringLiteral("/volmarra-proppage-modified.png"));
                frame->hide();
            } else {
                dialog.show();
                dialog.grab().save(dir + QStringLiteral("/volmarra-about.png"));
                dialog.hide();
            }
            return 0;
        });
        window->propertiesVerb->trigger();
        window->aboutVerb->trigger();
    }
};

QTEST_MAIN(VolmarraUiTest)
#include "tst_volmarra_ui.moc"
