// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryViewModel.h"
#include "ui/LibraryWindowController.h"

#include "core/clips/ClipLibrary.h"
#include "core/image/ImageLibrary.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/PasteService.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/stores/SpaceStore.h"
#include "fakes/FakeClipboard.h"
#include "fakes/QtApp.h"
#include "GuiApp.h"
#include "InkContrast.h"
#include "LaterMenu.h"
#include "UiFixtures.h"
#include "ui/AppIconImageProvider.h"
#include "ui/SymbolImageProvider.h"
#include "ui/ThumbnailImageProvider.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

class LibraryViewModelTest : public test::StoreTest {
protected:
    void SetUp() override
    {
        qputenv("QT_QUICK_BACKEND", "software"); // the window is drawn without a GPU
        test::qtApp();                           // the clip menu is a widget menu
        StoreTest::SetUp();
        if (HasFatalFailure())
            return;
        paster = std::make_unique<PasteService>(PasteService::Desktop{&clipboard}, clock, store->imagesDir(),
                                                linkedImageLibrary());
        bulk = std::make_unique<BulkCopyService>(*store, *paster);
        clips = std::make_unique<ClipLibrary>(*store);
    }

    /// The view model, its models under QAbstractItemModelTester unless checked (which reads every page).
    LibraryViewModel& library(bool checked = true)
    {
        if (!vm) {
            vm = std::make_unique<LibraryViewModel>(
                LibraryViewModel::Services{*clips, *store, *paster, *bulk, settings, spaces, clock, nullptr});
            if (!checked)
                return *vm;
            listTester = std::make_unique<QAbstractItemModelTester>(
                vm->clips(), QAbstractItemModelTester::FailureReportingMode::Fatal);
            boardTester = std::make_unique<QAbstractItemModelTester>(
                vm->board(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        }
        return *vm;
    }

    /// The services, with an other thread whose jobs wait in jobs until the test runs them.
    LibraryViewModel::Services servicesWithHeldJobs()
    {
        return {*clips, *store, *paster, *bulk, settings, spaces, clock, nullptr,
                [this](std::function<void()> job) { jobs.push_back(std::move(job)); }};
    }

    /// Runs the held jobs in turn, each with what it posted back, until none is left.
    void runJobs()
    {
        while (!jobs.empty()) {
            auto job = std::move(jobs.front());
            jobs.erase(jobs.begin());
            job();
            clock.runPosted();
        }
    }

    std::vector<std::function<void()>> jobs; ///< the other thread's, run when the test says

    /// Stores a clip; its id as the views name it.
    QString add(const char* kind, const std::string& text, TimePoint at, bool pinned = false,
                std::optional<Uuid> space = std::nullopt)
    {
        ClipItem item = makeClipItem({.textContent = text}, clock);
        item.typeRaw = kind;
        item.createdAt = at;
        item.isPinned = pinned;
        item.spaceID = space;
        EXPECT_TRUE(store->insert(item));
        return QString::fromStdString(item.id.toString());
    }

    /// The ids of every clip shown, in order (all pages read).
    static QStringList shown(LibraryClipModel& model)
    {
        while (model.canFetchMore({}))
            model.fetchMore({});
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out << model.idAt(row);
        return out;
    }

    static QString textOf(LibraryClipModel& model, int row)
    {
        return model.data(model.index(row), ClipStripModel::TextRole).toString();
    }

    /// Lets queued refreshes run.
    static void settle() { QCoreApplication::processEvents(); }

    /// Gives engine what the library window's QML reads: the module and the image providers.
    void prepare(QQmlEngine& engine)
    {
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine.addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider);
        engine.addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), new AppIconImageProvider);
        engine.addImageProvider(QStringLiteral("brisa-thumbs"), new ThumbnailImageProvider(store->storeFile()));
    }

    test::FakeClipboard clipboard{clock};
    UserDefaults defaults;
    AppSettings settings{defaults};
    SpaceStore spaces{defaults};
    std::unique_ptr<PasteService> paster;
    std::unique_ptr<BulkCopyService> bulk;
    std::unique_ptr<ClipLibrary> clips;
    std::unique_ptr<LibraryViewModel> vm;
    std::unique_ptr<QAbstractItemModelTester> listTester;
    std::unique_ptr<QAbstractItemModelTester> boardTester;
};

TEST_F(LibraryViewModelTest, FiltersKeepPinnedFirstThenNewestAndCountWhatIsShown)
{
    const auto now = clock.now();
    const QString oldPinned = add("text", "informe pinned", now - 24h * 7, true);
    const QString recent = add("text", "informe reciente", now - 1min);
    const QString link = add("link", "https://ejemplo.org/informe", now - 2min);
    const QString code = add("code", "int x = 1;", now - 3min);
    const QString odd = add("vídeo", "tipo desconocido", now - 4min); // counts as text

    struct Case {
        const char* name;
        int typeFilter; // index of the menu: 0 Todos, 1 Texto, 2 Código, 3 Enlace, 4 Imagen, ...
        std::string search;
        QStringList expected;
    };
    const std::vector<Case> cases{
        {"everything, a pinned clip of last week first", 0, "", {oldPinned, recent, link, code, odd}},
        {"words search the text", 0, "informe", {oldPinned, recent, link}},
        {"@kind in the search", 0, "@link informe", {link}},
        {"the type filter, an unknown kind as text", 1, "", {oldPinned, recent, odd}},
        {"type filter and search together", 1, "informe", {oldPinned, recent}},
        {"Imagen with a search that matches nothing", 4, "nada", {}},
        {"a search of 10,000 characters", 0, std::string(10000, 'x'), {}},
        {"a lone @", 0, "@", {}},
    };
    auto& vm = library();
    for (const auto& c : cases) {
        vm.setTypeFilter(c.typeFilter);
        vm.setSearch(QString::fromStdString(c.search));
        EXPECT_EQ(shown(*vm.clips()), c.expected) << c.name;
        EXPECT_EQ(vm.count(), c.expected.size()) << c.name;
        EXPECT_EQ(vm.countText(), QStringLiteral("%1 elementos").arg(c.expected.size())) << c.name;
    }
    EXPECT_EQ(vm.typeFilterLabels(),
              (QStringList{"Todos", "Texto", "Código", "Enlace", "Imagen", "Archivo", "Color", "Captura"}));
}

TEST_F(LibraryViewModelTest, TheFirstSearchWaitsForTheFieldsReadOnAnotherThreadWithoutReadingThemItself)
{
    const auto now = clock.now();
    const QString a = add("text", "alfa informe", now - 1min);
    const QString b = add("text", "beta", now - 2min);
    LibraryViewModel vm(servicesWithHeldJobs());
    ASSERT_EQ(jobs.size(), 1u) << "the read starts as the window is made";
    EXPECT_EQ(vm.count(), 2);

    struct Step {
        const char* name;
        std::function<void()> action;
        std::function<QStringList()> shown; ///< the clips shown after it
        std::size_t loads;                  ///< times the fields were read whole so far
    };
    QString c;
    const std::vector<Step> steps{
        {"a keystroke meanwhile keeps the rows shown", [&] { vm.setSearch("informe"); }, [&] { return QStringList{a, b}; }, 0},
        {"the read runs; a clip comes before it is taken over",
         [&] {
             jobs.front()();
             c = add("text", "gamma informe", now);
         },
         [&] { return QStringList{a, b}; }, 0},
        {"taken over: the search shows, the new clip in it", [&] { clock.runPosted(); }, [&] { return QStringList{c, a}; }, 1},
        {"the next keystroke reads it from memory", [&] { vm.setSearch("beta"); }, [&] { return QStringList{b}; }, 1},
    };
    for (const auto& step : steps) {
        step.action();
        EXPECT_EQ(shown(*vm.clips()), step.shown()) << step.name;
        EXPECT_EQ(clips->columnLoads(), step.loads) << step.name;
    }
    EXPECT_EQ(jobs.size(), 1u) << "read once, on the other thread";
    EXPECT_FALSE(clips->loadingAhead());
}

TEST_F(LibraryViewModelTest, RowsAreReadAPageAtATime)
{
    for (int i = 0; i < 150; ++i)
        add("text", "clip " + std::to_string(i), clock.now() - std::chrono::seconds(i));
    auto& vm = library(false);
    EXPECT_EQ(vm.count(), 150);
    EXPECT_EQ(vm.clips()->rowCount(), LibraryClipModel::kPageSize);
    vm.clips()->fetchMore({});
    EXPECT_EQ(vm.clips()->rowCount(), 2 * LibraryClipModel::kPageSize);
    EXPECT_EQ(textOf(*vm.clips(), 0), "clip 0");
    EXPECT_EQ(vm.clips()->data(vm.clips()->index(0), LibraryClipModel::RowTitleRole), "clip 0");

    // Searching keeps the rows that stay and removes the others, without a reset.
    QSignalSpy resets(vm.clips(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(vm.clips(), &QAbstractItemModel::rowsRemoved);
    vm.setSearch("clip 14");
    EXPECT_EQ(shown(*vm.clips()).size(), 11); // 14 and 140 to 149
    EXPECT_EQ(resets.size(), 0);
    EXPECT_GT(removed.size(), 0);
}

TEST_F(LibraryViewModelTest, SelectionModeTapsInAndOutAndActsOnlyOnWhatIsShown)
{
    const auto now = clock.now();
    const QString a = add("text", "alfa", now - 1min);
    const QString b = add("text", "beta", now - 2min);
    const QString c = add("text", "gamma", now - 3min);
    auto& vm = library();
    QSignalSpy marks(vm.clips(), &QAbstractItemModel::dataChanged);

    struct Step {
        const char* name;
        std::function<void()> action;
        bool selectionMode;
        int selected;
    };
    const std::vector<Step> steps{
        {"Seleccionar", [&] { vm.toggleSelectionMode(); }, true, 0},
        {"tap three clips in", [&] {
             vm.tap(a);
             vm.tap(b);
             vm.tap(c);
         }, true, 3},
        {"tap one out and in again", [&] {
             vm.tap(b);
             vm.tap(b);
         }, true, 3},
        {"a search hides two, Fijar pins the one shown",
         [&] {
             vm.setSearch("gam");
             vm.pinSelection(true);
         },
         true, 3},
    };
    for (const auto& step : steps) {
        step.action();
        EXPECT_EQ(vm.selectionMode(), step.selectionMode) << step.name;
        EXPECT_EQ(vm.selectedCount(), step.selected) << step.name;
    }
    // Only the clip shown was pinned; the hidden ones stay selected.
    EXPECT_TRUE(store->fetch(*Uuid::parse(c.toStdString()), false)->isPinned);
    EXPECT_FALSE(store->fetch(*Uuid::parse(a.toStdString()), false)->isPinned);
    EXPECT_TRUE(vm.isSelected(a) && vm.isSelected(b));
    EXPECT_EQ(vm.selectedText(), "3 seleccionados");
    EXPECT_GT(marks.size(), 0);
    EXPECT_TRUE(clipboard.written().empty()) << "a tap in selection mode does not paste";

    // "Eliminar" deletes the shown ones, empties the selection and stays in selection mode.
    vm.deleteSelection();
    EXPECT_FALSE(store->fetch(*Uuid::parse(c.toStdString()), false));
    EXPECT_TRUE(store->fetch(*Uuid::parse(a.toStdString()), false));
    EXPECT_EQ(vm.selectedCount(), 0);
    EXPECT_FALSE(vm.isSelected(a)) << "the hidden clips are let go of too";
    EXPECT_TRUE(vm.selectionMode());

    // Leaving selection mode lets go of the selection.
    vm.setSearch("");
    vm.tap(a);
    vm.toggleSelectionMode();
    EXPECT_FALSE(vm.selectionMode());
    EXPECT_EQ(vm.selectedCount(), 0);
    EXPECT_FALSE(vm.isSelected(a));

    // Outside selection mode a tap pastes; a card takes a double click for it, a row a single one.
    vm.cardClicked(a);
    EXPECT_TRUE(clipboard.written().empty());
    EXPECT_EQ(vm.currentId(), a);
    vm.cardDoubleClicked(a);
    EXPECT_EQ(clipboard.writeCount(), 1u);
    vm.tap(b);
    EXPECT_EQ(clipboard.writeCount(), 2u);
}

TEST_F(LibraryViewModelTest, TheBoardHasAColumnPerSpaceAndUncategorisedLast)
{
    spaces.add("Trabajo", "folder");
    spaces.add("Casa", "folder");
    const Uuid work = spaces.spaces()[0].id;
    const Uuid home = spaces.spaces()[1].id;
    const Uuid gone = Uuid::random();
    const auto now = clock.now();
    const QString w = add("text", "w", now - 1min, false, work);
    const QString h = add("text", "h", now - 2min, false, home);
    const QString none = add("text", "n", now - 3min);
    const QString orphan = add("text", "o", now - 4min, false, gone);
    const QString pinnedWork = add("text", "pw", now - 5min, true, work);

    auto& vm = library();
    vm.setViewMode(2);
    EXPECT_EQ(settings.libraryViewMode(), LibraryViewMode::Board);
    auto* board = vm.board();
    ASSERT_EQ(board->rowCount(), 3);
    struct Column {
        QString title;
        QStringList ids;
    };
    auto column = [&](int i) {
        return Column{board->data(board->index(i), LibraryBoardModel::TitleRole).toString(), shown(*board->column(i))};
    };
    EXPECT_EQ(column(0).title, "Trabajo");
    EXPECT_EQ(column(0).ids, (QStringList{pinnedWork, w}));
    EXPECT_EQ(column(1).ids, QStringList{h});
    EXPECT_EQ(column(2).title, "Sin categoría");
    EXPECT_EQ(column(2).ids, (QStringList{none, orphan}));

    // Removing a space moves its clips to "Sin categoría" and leaves their spaceID alone.
    spaces.remove(spaces.spaces()[1]);
    ASSERT_EQ(board->rowCount(), 2);
    EXPECT_EQ(column(1).ids, (QStringList{h, none, orphan}));
    EXPECT_EQ(store->fetch(*Uuid::parse(h.toStdString()), false)->spaceID, home);

    // The bulk bar's "Mover a categoría": "Sin categoría" is -1.
    vm.toggleSelectionMode();
    vm.tap(h);
    vm.moveSelection(0);
    EXPECT_EQ(column(0).ids, (QStringList{pinnedWork, w, h}));
    vm.moveSelection(-1);
    EXPECT_EQ(store->fetch(*Uuid::parse(h.toStdString()), false)->spaceID, std::nullopt);
}

TEST_F(LibraryViewModelTest, SpacesAreAddedWithATrimmedNameAndRemoved)
{
    auto& vm = library();
    QSignalSpy changed(&vm, &LibraryViewModel::spacesChanged);
    struct Case {
        const char* typed;
        bool canAdd;
        QStringList names;
    };
    const std::vector<Case> cases{
        {"   ", false, {}},
        {"  Diseño ", true, {"Diseño"}},
        {"Diseño", true, {"Diseño"}}, // the same name again is ignored
        {"diseño", true, {"Diseño", "diseño"}},
    };
    for (const auto& c : cases) {
        vm.setNewSpaceName(QString::fromUtf8(c.typed));
        EXPECT_EQ(vm.canAddSpace(), c.canAdd) << c.typed;
        vm.addSpace();
        EXPECT_EQ(vm.spaceNames(), c.names) << c.typed;
        if (c.canAdd) {
            EXPECT_EQ(vm.newSpaceName(), "") << "the field empties after Añadir";
        }
    }
    vm.removeSpace(0);
    EXPECT_EQ(vm.spaceNames(), QStringList{"diseño"});
    EXPECT_EQ(changed.size(), 3);
}

TEST_F(LibraryViewModelTest, TheClipMenuHasTheEntriesOfItsClip)
{
    const QString text = add("text", "hola", clock.now());
    auto titles = [](const QMenu& menu) {
        QStringList out;
        for (auto* a : menu.actions())
            out << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return out;
    };
    auto& vm = library();
    EXPECT_EQ(titles(*vm.menu(text)), (QStringList{"Pegar", "Copiar", "—", "Poner recordatorio…", "—",
                                                   "Fijar como favorito", "—", "Eliminar"}));
    spaces.add("Trabajo", "folder");
    EXPECT_TRUE(titles(*vm.menu(text)).contains("Mover a categoría"));
    EXPECT_EQ(vm.menu(QStringLiteral("no-es-un-id")), nullptr);

    // An image clip where the session has no image operations: offered, greyed.
    ClipItem image = makeClipItem({.type = ClipType::Image, .imageFileName = std::string("falta.png")}, clock);
    ASSERT_TRUE(store->insert(image));
    auto menu = vm.menu(QString::fromStdString(image.id.toString()));
    ASSERT_NE(menu, nullptr);
    int greyed = 0;
    for (auto* a : menu->actions())
        if (a->text() == "Quitar peso (comprimir)" || a->text() == "Redimensionar")
            greyed += a->isEnabled() ? 0 : 1;
    EXPECT_EQ(greyed, 2);

    // "Fijar como favorito" from the menu pins, and the list follows.
    const auto again = vm.menu(text);
    for (auto* a : again->actions())
        if (a->text() == "Fijar como favorito")
            a->trigger();
    EXPECT_TRUE(store->fetch(*Uuid::parse(text.toStdString()), false)->isPinned);
}

TEST_F(LibraryViewModelTest, ChangesShowWhileTheWindowIsOpen)
{
    const auto now = clock.now();
    const QString pinned = add("text", "fijado", now - 24h, true);
    const QString older = add("text", "anterior", now - 1h);
    auto& vm = library();
    vm.setShown(true);

    // A copy captured here appears at once at the top of the unpinned group.
    const QString copied = add("text", "copia nueva", now);
    settle();
    EXPECT_EQ(shown(*vm.clips()), (QStringList{pinned, copied, older}));

    // Another program's change shows at the next look, once a second.
    auto other = Storage::open(home.path(), clock);
    ASSERT_NE(other.storage, nullptr);
    ClipItem fromCli = makeClipItem({.textContent = std::string("desde la terminal")}, clock);
    ASSERT_TRUE(other.storage->insert(fromCli));
    clock.advance(1s);
    settle();
    EXPECT_EQ(vm.count(), 4);
    other.storage->deleteClip(*other.storage->fetch(*Uuid::parse(older.toStdString()), false));
    clock.advance(1s);
    settle();
    EXPECT_EQ(vm.count(), 3);
    EXPECT_FALSE(shown(*vm.clips()).contains(older));

    // Hidden, it stops looking.
    vm.setShown(false);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(LibraryViewModelTest, MenusRunAfterTheViewsHandlerAndMayRemoveTheirClip)
{
    const QString kept = add("text", "se queda", clock.now() - 1h);
    const QString removed = add("text", "se va", clock.now());
    auto& vm = library();
    vm.setShown(true);
    EXPECT_TRUE(test::menuRunsAfterTheCall([&] { vm.openMenu(removed); }, QStringLiteral("Eliminar")));
    settle();
    EXPECT_EQ(shown(*vm.clips()), QStringList{kept});
    vm.setSelectionMode(true);
    vm.tap(kept);
    EXPECT_TRUE(test::menuRunsAfterTheCall([&] { vm.openMoveMenu(); }, QStringLiteral("Sin categoría")));
}

TEST_F(LibraryViewModelTest, KeysMoveTheCurrentClipInEachLayout)
{
    const auto now = clock.now();
    spaces.add("Trabajo", "folder");
    const Uuid work = spaces.spaces()[0].id;
    std::vector<QString> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(add("text", "clip " + std::to_string(i), now - std::chrono::minutes(i), false,
                          i < 2 ? std::optional(work) : std::nullopt));
    auto& vm = library();
    struct Case {
        int mode;
        int columns;
        std::vector<int> keys;
        int expected; // index into ids
    };
    const std::vector<Case> cases{
        {1, 1, {Qt::Key_Down}, 0},                             // the first arrow lands on the first clip
        {1, 1, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 2}, // a list goes down
        {1, 1, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, 0},
        {0, 3, {Qt::Key_Down, Qt::Key_Right, Qt::Key_Down}, 4}, // a grid of 3 a row
        {0, 3, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 4},  // down from the last row stays at the end
        {2, 1, {Qt::Key_Down, Qt::Key_Right}, 2},               // board: the next column, same height
        {2, 1, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left}, 1},
    };
    for (const auto& c : cases) {
        vm.setViewMode(c.mode);
        vm.setCurrent({});
        for (int key : c.keys)
            EXPECT_TRUE(vm.handleKey(key, c.columns));
        EXPECT_EQ(vm.currentId(), ids[static_cast<std::size_t>(c.expected)]) << "mode " << c.mode;
    }

    // Return pastes the current clip, Delete deletes it and moves on to the next.
    vm.setViewMode(1);
    vm.setCurrent(ids[1]);
    EXPECT_TRUE(vm.handleKey(Qt::Key_Return));
    EXPECT_EQ(clipboard.writeCount(), 1u);
    EXPECT_TRUE(vm.handleKey(Qt::Key_Delete));
    EXPECT_FALSE(store->fetch(*Uuid::parse(ids[1].toStdString()), false));
    EXPECT_EQ(vm.currentId(), ids[2]);

    // Escape clears the search first, then hides the window.
    QSignalSpy hide(&vm, &LibraryViewModel::hideRequested);
    vm.setSearch("clip");
    EXPECT_TRUE(vm.handleKey(Qt::Key_Escape));
    EXPECT_EQ(vm.search(), "");
    EXPECT_EQ(hide.size(), 0);
    EXPECT_TRUE(vm.handleKey(Qt::Key_Escape));
    EXPECT_EQ(hide.size(), 1);
    EXPECT_FALSE(vm.handleKey(Qt::Key_A));
}

TEST_F(LibraryViewModelTest, TheWindowIsMadeOnceAndKeepsItsStateWhenClosed)
{
    for (int i = 0; i < 4; ++i)
        add(i % 2 ? "link" : "text", "clip " + std::to_string(i), clock.now() - std::chrono::minutes(i));
    auto& vm = library();
    QQmlEngine engine;
    prepare(engine);
    QStringList warnings;
    QObject::connect(&engine, &QQmlEngine::warnings, [&](const QList<QQmlError>& list) {
        for (const auto& w : list)
            warnings << w.toString();
    });
    LibraryWindowController controller(engine, vm, nullptr);
    for (int mode : {0, 1, 2}) { // every layout loads
        vm.setViewMode(mode);
        controller.show();
        ASSERT_NE(controller.window(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window()));
    }
    EXPECT_EQ(controller.window()->title(), "Brisa — Biblioteca");
    EXPECT_EQ(controller.window()->size(), QSize(880, 560));
    QQuickWindow* first = controller.window();
    vm.setSearch("clip 1");
    vm.setTypeFilter(3);
    vm.toggleSelectionMode();
    vm.tap(vm.clips()->idAt(0));
    controller.window()->close();
    EXPECT_FALSE(controller.window()->isVisible());
    controller.show();
    EXPECT_EQ(controller.window(), first);
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(vm.search(), "clip 1");
    EXPECT_EQ(vm.typeFilter(), 3);
    EXPECT_EQ(vm.selectedCount(), 1);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

TEST_F(LibraryViewModelTest, ABulkDeleteRunsOnTheOtherThreadAndTheWindowStaysUsable)
{
    struct Case {
        const char* name;
        int viewMode;
        bool storeThere; ///< else the other thread finds no store and deletes nothing
    };
    const Case cases[] = {{"a search in the list", 1, true}, {"the board", 2, true}, {"a failure", 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& clip : store->fetchAll())
            store->deleteClip(clip);
        const auto now = clock.now();
        const QString a = add("text", "uno informe", now - 1min);
        const QString b = add("text", "dos informe", now - 2min);
        const QString kept = add("text", "tres informe", now - 3min);
        jobs.clear();
        settings.setLibraryViewMode(c.viewMode == 2 ? LibraryViewMode::Board : LibraryViewMode::List);
        LibraryViewModel vm(servicesWithHeldJobs());
        QAbstractItemModelTester listTester(vm.clips(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        QAbstractItemModelTester boardTester(vm.board(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        vm.setShown(true);
        runJobs();
        vm.setSearch("informe");
        const auto shownNow = [&] {
            if (c.viewMode != 2)
                return shown(*vm.clips());
            QStringList all;
            for (int i = 0; i < vm.board()->columnCount(); ++i)
                all << shown(*vm.board()->column(i));
            return all;
        };
        ASSERT_EQ(shownNow(), (QStringList{a, b, kept}));

        QSignalSpy deleting(&vm, &LibraryViewModel::deletingChanged);
        vm.toggleSelectionMode();
        vm.tap(a);
        vm.tap(b);
        vm.deleteSelection();
        EXPECT_EQ(vm.selectedCount(), 0) << "let go of at once";
        EXPECT_TRUE(vm.deleting());
        EXPECT_EQ(store->count(), 3) << "deleted on the other thread";
        vm.tap(kept);
        vm.pinSelection(true);
        vm.deleteSelection();
        EXPECT_FALSE(store->fetch(*Uuid::parse(kept.toStdString()), false)->isPinned) << "waits for the delete";
        EXPECT_EQ(jobs.size(), 1u) << "one delete at a time";

        const auto storeFile = store->storeFile();
        const auto aside = storeFile.string() + ".aparte";
        if (!c.storeThere)
            std::filesystem::rename(storeFile, aside);
        auto job = std::move(jobs.front());
        jobs.clear();
        job();
        if (!c.storeThere)
            std::filesystem::rename(aside, storeFile);
        clock.runPosted();
        EXPECT_FALSE(vm.deleting());
        EXPECT_EQ(deleting.size(), 2);
        EXPECT_TRUE(vm.selectionMode());
        const QStringList left = c.storeThere ? QStringList{kept} : QStringList{a, b, kept};
        EXPECT_EQ(shownNow(), left) << "at once, while the search's fields are read again";
        runJobs();
        settle();
        EXPECT_EQ(shownNow(), left);
        EXPECT_EQ(vm.count(), left.size());
        EXPECT_EQ(store->count(), left.size());

        // Usable again: the selection left acts at once.
        vm.pinSelection(true);
        EXPECT_TRUE(store->fetch(*Uuid::parse(kept.toStdString()), false)->isPinned);
    }
}

TEST_F(LibraryViewModelTest, WhileABulkDeleteRunsTheBulkBarsButtonsLookDisabled)
{
    const QString a = add("text", "uno", clock.now() - 1min);
    add("text", "dos", clock.now() - 2min);
    settings.setLibraryViewMode(LibraryViewMode::List);
    LibraryViewModel vm(servicesWithHeldJobs());
    QQmlEngine engine;
    prepare(engine);
    LibraryWindowController controller(engine, vm, nullptr);
    controller.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window()));
    runJobs(); // the searched fields, read ahead
    vm.toggleSelectionMode();
    vm.tap(a);
    // Each button of the bulk bar as drawn now.
    const auto buttons = [&] {
        QImage window;
        for (int i = 0; i < 3; ++i) { // let the scene pick up the changes
            QCoreApplication::processEvents();
            window = controller.window()->grabWindow();
        }
        std::vector<QImage> out;
        for (const char* name : {"pinButton", "unpinButton", "deleteButton"}) {
            auto* button = controller.window()->contentItem()->findChild<QQuickItem*>(QLatin1String(name));
            EXPECT_NE(button, nullptr) << name;
            if (button)
                out.push_back(window.copy(button->mapRectToScene(button->boundingRect()).toRect()));
        }
        return out;
    };
    const auto before = buttons();
    vm.deleteSelection();
    ASSERT_TRUE(vm.deleting());
    const auto during = buttons();
    runJobs();
    ASSERT_FALSE(vm.deleting());
    const auto after = buttons();
    ASSERT_EQ(before.size(), 3u);
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(test::inkContrast(during[i]), test::inkContrast(before[i]) * 2 / 3)
            << "a button that does nothing looks it";
        EXPECT_EQ(test::inkContrast(after[i]), test::inkContrast(before[i]));
    }
}

TEST_F(LibraryViewModelTest, TheToolbarKeepsTheWholeCountInTheWindowInSelectionMode)
{
    store->setHistoryLimit(0);
    std::vector<ClipItem> items;
    for (int i = 0; i < 20000; ++i) {
        items.push_back(makeClipItem({.textContent = "nota " + std::to_string(i)}, clock));
        items.back().typeRaw = "text";
    }
    ASSERT_TRUE(store->insertBatch(items).ok);
    auto& vm = library(false);
    QQmlEngine engine;
    prepare(engine);
    LibraryWindowController controller(engine, vm, nullptr);
    controller.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window()));
    auto* label = controller.window()->contentItem()->findChild<QQuickItem*>(QStringLiteral("countLabel"));
    ASSERT_NE(label, nullptr);
    for (bool selecting : {false, true}) {
        SCOPED_TRACE(selecting);
        vm.setSelectionMode(selecting);
        settle();
        EXPECT_EQ(label->property("text").toString(), "20000 elementos");
        EXPECT_LE(label->mapRectToScene(label->boundingRect()).right(), controller.window()->width() - 16);
    }
}

TEST_F(LibraryViewModelTest, WhileTheFieldsAreReadAgainElsewhereASearchsNextPageWaitsForThem)
{
    constexpr int kClips = 4 * LibraryClipModel::kPageSize;
    for (int i = 0; i < kClips; ++i)
        add("text", "informe " + std::to_string(i), clock.now() - std::chrono::seconds(i));
    LibraryViewModel vm(servicesWithHeldJobs());
    QAbstractItemModelTester tester(vm.clips(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    runJobs();
    vm.setSearch("informe");
    ASSERT_LT(vm.clips()->rowCount(), kClips);
    // Another program's change: the fields are read again on the other thread.
    auto other = Storage::open(home.path(), clock);
    ASSERT_TRUE(other.storage);
    ASSERT_TRUE(other.storage->insert(makeClipItem({.textContent = "otro informe"}, clock)));
    vm.refresh();
    ASSERT_TRUE(clips->loadingAhead());
    EXPECT_FALSE(vm.clips()->canFetchMore({}));
    vm.clips()->fetchMore({});
    EXPECT_EQ(clips->columnLoads(), 1u) << "not read here";
    runJobs();
    EXPECT_TRUE(vm.clips()->canFetchMore({}));
    EXPECT_EQ(shown(*vm.clips()).size(), kClips + 1);
    EXPECT_EQ(clips->columnLoads(), 2u);
}

} // namespace
