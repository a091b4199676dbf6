# The four information pages of the detail view (Tasks, Applications, Drivers,
# Services) share one layout, kept once in detail_page.htm.in; each page is
# generated from it with its own document id, section title and icon, and the
# Tasks and Applications pages get the module section. The resource script
# finds them as "html/<name>" on the include path. Every page is written with
# CR LF line ends: the first line is the mark that puts the saved page into
# the Internet zone, which browsers honour only with a CR LF after it.
set(QM_DETAIL_HTML_ROOT ${CMAKE_CURRENT_BINARY_DIR}/detail)
set(QM_DETAIL_HTML_SOURCE ${CMAKE_CURRENT_LIST_DIR})
file(READ ${CMAKE_CURRENT_LIST_DIR}/detail_module_styles.htm.in QM_DETAIL_WITH_MODULE_STYLES)
file(READ ${CMAKE_CURRENT_LIST_DIR}/detail_module_section.htm.in QM_DETAIL_WITH_MODULE_SECTION)
# configure_file ends the template's own lines in CR LF, not the lines a
# value brings in.
string(REPLACE "\n" "\r\n" QM_DETAIL_WITH_MODULE_STYLES "${QM_DETAIL_WITH_MODULE_STYLES}")
string(REPLACE "\n" "\r\n" QM_DETAIL_WITH_MODULE_SECTION "${QM_DETAIL_WITH_MODULE_SECTION}")

# qm_detail_page(file progId section modules|none iconSize|native)
function(qm_detail_page file progId section part icon)
    set(QM_DETAIL_PROGID ${progId})
    set(QM_DETAIL_SECTION ${section})
    if(part STREQUAL "modules")
        set(QM_DETAIL_MODULE_STYLES "${QM_DETAIL_WITH_MODULE_STYLES}")
        set(QM_DETAIL_MODULE_SECTION "${QM_DETAIL_WITH_MODULE_SECTION}")
    else()
        set(QM_DETAIL_MODULE_STYLES "")
        set(QM_DETAIL_MODULE_SECTION "")
    endif()
    if(icon STREQUAL "native")
        set(QM_DETAIL_ICON "<img border=\"0\" src=\"file_icon.bmp\">")
    else()
        set(QM_DETAIL_ICON "<img border=\"0\" src=\"file_icon.bmp\" width=\"${icon}\" height=\"${icon}\">")
    endif()
    configure_file(${QM_DETAIL_HTML_SOURCE}/detail_page.htm.in ${QM_DETAIL_HTML_ROOT}/html/${file} @ONLY NEWLINE_STYLE DOS)
endfunction()

foreach(page detail_blank.htm detail_system.htm)
    configure_file(${QM_DETAIL_HTML_SOURCE}/${page}.in ${QM_DETAIL_HTML_ROOT}/html/${page} @ONLY NEWLINE_STYLE DOS)
endforeach()

qm_detail_page(detail_tasks.htm Quillmark.Tasks.Document "Task Information" modules native)
qm_detail_page(detail_applications.htm Quillmark.Applications.Document "Application Information" modules native)
qm_detail_page(detail_drivers.htm Quillmark.Drivers.Document "Driver Information" none 32)
qm_detail_page(detail_services.htm Quillmark.Services.Document "Service Information" none 32)
