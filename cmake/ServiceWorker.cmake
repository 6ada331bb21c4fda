# Writes the service worker OUTPUT from INPUT, with the files it keeps
# (FILES, comma-separated, in SITE) and a key made of their contents.
string(REPLACE "," ";" files "${FILES}")
set(contents "")
set(names "")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} hash)
  string(APPEND contents "${file} ${hash}\n")
  if(file STREQUAL "index.html")
    set(file ./)  # kept as the address that opens it
  endif()
  list(APPEND names "'${file}'")
endforeach()
string(SHA256 key "${contents}")
string(SUBSTRING ${key} 0 16 QEL_BUILD_KEY)
list(JOIN names ", " QEL_OFFLINE_FILES)
configure_file(${INPUT} ${OUTPUT} @ONLY)
