# Turns `torvane-cli --help` into a gzipped man page, so the page cannot drift from the tool.
# cmake -DCLI=path/to/torvane-cli -DVERSION=x.y.z -DOUTPUT=torvane-cli.1.gz -P manpage.cmake
execute_process(COMMAND "${CLI}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
    message(FATAL_ERROR "torvane-cli --help failed (${status})")
endif()
# roff: a backslash is "\e"; a line starting with "." or "'" would be read as a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(CONCAT page
    ".TH TORVANE-CLI 1 \"\" \"Torvane ${VERSION}\" \"User Commands\"\n"
    ".SH NAME\n"
    "torvane-cli \\- planar spiral inductors as Sonnet projects, from the command line\n"
    ".SH DESCRIPTION\n"
    "torvane-cli does the main job of the Torvane window without one: it lays out a round,\n"
    "n-sided, round differential or n-sided differential spiral inductor on a Sonnet technology\n"
    "template and writes it as a ready-to-simulate project, estimates its inductance and size,\n"
    "and shows or rewrites Sonnet projects.\n"
    ".SH USAGE\n"
    ".nf\n"
    "${help}\n"
    ".fi\n"
    ".SH SEE ALSO\n"
    "torvane(1) is the desktop window.\n")
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND gzip -9nf "${plain}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${plain}")
endif()
