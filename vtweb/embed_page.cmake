# Writes the pages' files (map.* and grid.* in PAGE_DIR) into OUTPUT
# as C++ string constants, so that the program needs no folder beside it.
# Run by the build: cmake -DPAGE_DIR=... -DOUTPUT=... -P embed_page.cmake
set(delimiter "VTWEB_PAGE")
set(text "// Made by the build from vtweb/page/ (embed_page.cmake); not to be edited.\n")
string(APPEND text "#include \"web_page.h\"\n\nnamespace vantor::vtweb {\n\n")
foreach(entry "kMapHtml=map.html" "kMapCss=map.css" "kMapJs=map.js" "kGridHtml=grid.html"
              "kGridCss=grid.css" "kGridJs=grid.js")
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 constant)
  list(GET parts 1 file)
  file(READ "${PAGE_DIR}/${file}" content)
  string(FIND "${content}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds \")${delimiter}\", which would end its constant")
  endif()
  string(APPEND text "extern const std::string_view ${constant};\n")
  string(APPEND text "const std::string_view ${constant} = R\"${delimiter}(${content})${delimiter}\";\n\n")
endforeach()
string(APPEND text "}  // namespace vantor::vtweb\n")
file(WRITE "${OUTPUT}" "${text}")
