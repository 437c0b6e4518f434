# Writes the service worker into the site: the list of the site's files, and a version that is
# the hash of all of them, so that every build with any change caches anew.
# cmake -DSITE=... -DTEMPLATE=sw.js -P make_worker.cmake
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(hashes "")
set(quoted "\"./\"")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} hash)
  string(APPEND hashes "${hash} ${file}\n")
  string(APPEND quoted ", \"${file}\"")
endforeach()
string(SHA256 all "${hashes}")
string(SUBSTRING ${all} 0 16 VERSION)
set(FILES ${quoted})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
