# Writes the site from the parts of one build: the build's version is the hash of all its parts,
# and the files its code and fonts are in carry that version in their names, so that a page can
# only ever load the files of the build its index.html belongs to, whatever a cache holds. The
# service worker comes last, with the list of the site's files.
# cmake -DPARTS=... -DSITE=... -DTEMPLATE=sw.js -P make_site.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB parts RELATIVE ${PARTS} ${PARTS}/*)
list(REMOVE_ITEM parts sw.js)
list(SORT parts)
set(hashes "")
foreach(part ${parts})
  file(SHA256 ${PARTS}/${part} hash)
  string(APPEND hashes "${hash} ${part}\n")
endforeach()
string(SHA256 all "${hashes}")
string(SUBSTRING ${all} 0 16 VERSION)

# page.js -> page.<version>.js
function(versioned out file)
  string(REGEX REPLACE "^(.*)(\\.[a-z0-9]+)$" "\\1.${VERSION}\\2" name ${file})
  set(${out} ${name} PARENT_SCOPE)
endfunction()

set(named page.js kazuroi.js kazuroi.wasm kazuroi-box.woff2 kazuroi-gothic.woff2)
# The texts that name those files, or the build.
set(naming index.html page.js kazuroi.js)

file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
set(names "")
foreach(part ${parts})
  set(name ${part})
  if(part IN_LIST named)
    versioned(name ${part})
  endif()
  if(part IN_LIST naming)
    file(READ ${PARTS}/${part} text)
    foreach(file ${named})
      versioned(versioned_file ${file})
      string(REPLACE "\"${file}\"" "\"${versioned_file}\"" text "${text}")
    endforeach()
    string(REPLACE "@BUILD@" "${VERSION}" text "${text}")
    file(WRITE ${SITE}/${name} "${text}")
  else()
    file(COPY_FILE ${PARTS}/${part} ${SITE}/${name})
  endif()
  list(APPEND names ${name})
endforeach()
# Every file with its size and hash as written, so that the worker takes a copy only when each file
# it fetched is whole; "./" is the page under its folder's name.
set(files "")
foreach(name index.html ${names})
  file(SIZE ${SITE}/${name} size)
  file(SHA256 ${SITE}/${name} hash)
  set(url ${name})
  if(url STREQUAL "index.html" AND files STREQUAL "")
    set(url "./")
  endif()
  string(APPEND files "\n  { name: \"${url}\", size: ${size}, sha256: \"${hash}\" },")
endforeach()
set(FILES "${files}\n")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
