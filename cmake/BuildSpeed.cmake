# What keeps the build short on a small machine.

# lld links the several dozen test executables, each against the static libraries, in a
# fraction of ld.bfd's time.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld ORMA_HAVE_LLD)
if(ORMA_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
endif()

# Precompiled headers. Nearly all of a translation unit's compile time here goes into parsing
# the Qt, Qwt and standard headers, so each library parses the ones most of its files include
# once, and each group of tests shares one copy. -DORMA_PCH=OFF builds without them (to catch
# an include a file forgot, which the precompiled set would otherwise hide).
option(ORMA_PCH "Precompile the Qt, Qwt and standard headers" ON)

set(ORMA_PCH_core <algorithm> <array> <cmath> <cstdint> <cstring> <functional> <map> <memory>
    <vector> <QByteArray> <QElapsedTimer> <QFile> <QFileInfo> <QJsonArray> <QJsonObject> <QObject>
    <QString> <QStringList> <QThread>)
set(ORMA_PCH_widgets ${ORMA_PCH_core} <QCheckBox> <QComboBox> <QDialog> <QGridLayout> <QGroupBox>
    <QHBoxLayout> <QLabel> <QLineEdit> <QMessageBox> <QMouseEvent> <QPainter> <QPushButton>
    <QSpinBox> <QTimer> <QToolButton> <QVBoxLayout> <QWidget>)
set(ORMA_PCH_plot ${ORMA_PCH_widgets} <qwt_plot.h> <qwt_plot_marker.h> <qwt_scale_div.h>
    <qwt_scale_map.h> <qwt_scale_widget.h>)
set(ORMA_PCH_tests <QtTest> <QTemporaryDir>)

# The set of `tier` (core, widgets or plot) for the target's own files.
function(orma_precompile target tier)
    if(ORMA_PCH)
        target_precompile_headers(${target} PRIVATE ${ORMA_PCH_${tier}})
    endif()
endfunction()

# Tests linking `libs` (of `tier`) reuse one precompiled set, made once by a host target with
# the same usage requirements; the host's name is left in `out`.
function(orma_test_pch_host libs tier out)
    string(MAKE_C_IDENTIFIER "orma_pch_${libs}" _host)
    if(ORMA_PCH AND NOT TARGET ${_host})
        set(_source ${CMAKE_BINARY_DIR}/${_host}.cpp)
        if(NOT EXISTS ${_source})
            file(WRITE ${_source} "")
        endif()
        add_library(${_host} OBJECT ${_source})
        target_link_libraries(${_host} PRIVATE ${libs} Qt5::Test)
        target_precompile_headers(${_host} PRIVATE ${ORMA_PCH_${tier}} ${ORMA_PCH_tests})
    endif()
    set(${out} ${_host} PARENT_SCOPE)
endfunction()

# A test includes its own moc output, so the moc file of its target is empty: loading the
# precompiled set there would cost more than the file.
function(orma_reuse_pch target host)
    if(ORMA_PCH)
        target_precompile_headers(${target} REUSE_FROM ${host})
        set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/mocs_compilation.cpp
            TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
endfunction()
