# Writes SITE/files.json: what the page loads before its start card, with byte sizes for the
# progress bar. Run as cmake -DSITE=dir -P file_list.cmake.
file(GLOB media RELATIVE ${SITE} ${SITE}/data/*)
set(entries)
foreach(name quorvex.wasm ${media})
  file(SIZE ${SITE}/${name} size)
  list(APPEND entries "  {\"name\": \"${name}\", \"size\": ${size}}")
endforeach()
list(JOIN entries ",\n" body)
file(WRITE ${SITE}/files.json "[\n${body}\n]\n")
