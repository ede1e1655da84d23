# One set of precompiled Qt headers per build tree: made once, by dpc_pch, and
# reused by every library, test, benchmark and program of the tree that uses
# Qt Widgets. Targets join by being defined: dpc_precompile_tree() at the end
# of the top-level CMakeLists.txt walks the tree. A target opts out with the
# target property DPC_NO_PRECOMPILED_HEADERS (it has compile options of its
# own, which a precompiled header must share).
#
# Loading the set costs a file about two seconds of compiler time, parsing
# the widget headers four to six: targets without widgets (the service
# client, the demo service and their tests) compile faster without it. QtTest
# stays out, as its headers change with the modules a target links.
option(DPC_PRECOMPILED_HEADERS "Precompile the common Qt headers once per build tree" ON)

set(dpc_precompiled_headers
    <QtCore/QByteArray> <QtCore/QDateTime> <QtCore/QDir> <QtCore/QFile> <QtCore/QHash>
    <QtCore/QList> <QtCore/QLocale> <QtCore/QObject> <QtCore/QString> <QtCore/QStringList>
    <QtCore/QTimer> <QtCore/QVariant>
    <QtGui/QKeyEvent> <QtGui/QPainter>
    <QtWidgets/QApplication> <QtWidgets/QHeaderView> <QtWidgets/QLabel>
    <QtWidgets/QLineEdit> <QtWidgets/QPushButton> <QtWidgets/QTabWidget>
    <QtWidgets/QTreeWidget> <QtWidgets/QWidget>
    <functional> <memory> <optional>)

# Sets `out` to whether `target` links Qt Widgets, itself or through the
# project's libraries it links.
function(dpc_links_widgets target out)
    get_property(known GLOBAL PROPERTY dpc_links_widgets_${target} SET)
    if(NOT known)
        set(found FALSE)
        get_target_property(linked ${target} LINK_LIBRARIES)
        get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
        foreach(library IN LISTS linked interface)
            if(library STREQUAL "Qt6::Widgets")
                set(found TRUE)
            elseif(TARGET "${library}" AND NOT library MATCHES "::")
                dpc_links_widgets(${library} below)
                if(below)
                    set(found TRUE)
                endif()
            endif()
            if(found)
                break()
            endif()
        endforeach()
        set_property(GLOBAL PROPERTY dpc_links_widgets_${target} ${found})
    endif()
    get_property(result GLOBAL PROPERTY dpc_links_widgets_${target})
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# Walks the folders below `dir` and gives the compiled targets the shared set.
function(dpc_precompile_folder dir)
    get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        get_target_property(opted_out ${target} DPC_NO_PRECOMPILED_HEADERS)
        if(target STREQUAL "dpc_pch" OR opted_out)
            continue()
        endif()
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$")
            continue()
        endif()
        dpc_links_widgets(${target} widgets)
        if(widgets)
            target_precompile_headers(${target} REUSE_FROM dpc_pch)
        endif()
    endforeach()
    get_property(folders DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
    foreach(folder IN LISTS folders)
        dpc_precompile_folder("${folder}")
    endforeach()
endfunction()

function(dpc_precompile_tree)
    # A fuzzing tree gives its targets sanitizer and coverage options of their own.
    if(NOT DPC_PRECOMPILED_HEADERS OR DPC_BUILD_FUZZERS)
        return()
    endif()
    add_library(dpc_pch STATIC "${PROJECT_SOURCE_DIR}/cmake/PrecompiledHeaders.cpp")
    # A precompiled header is used only where every macro it was made with is
    # defined the same way: it gets Qt Core's (QT_CORE_LIB, QT_NO_DEBUG), which
    # every target has, and only the include folders of the other modules, not
    # their QT_<MODULE>_LIB.
    target_link_libraries(dpc_pch PRIVATE Qt6::Core)
    foreach(module Gui Widgets)
        target_include_directories(dpc_pch SYSTEM PRIVATE
            $<TARGET_PROPERTY:Qt6::${module},INTERFACE_INCLUDE_DIRECTORIES>)
    endforeach()
    target_precompile_headers(dpc_pch PRIVATE ${dpc_precompiled_headers})
    dpc_precompile_folder("${PROJECT_SOURCE_DIR}")
endfunction()
