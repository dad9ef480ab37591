# Checks the release artifacts in DIST as a user gets them: the Debian package's
# files, permissions and fields, lintian's verdict, the Windows zips' files (the
# very DLLs and programs the Windows suites ran, stripped, each DLL at most
# 300 KB), the checksums, and one version everywhere.
# Usage: cmake -DDIST=dist -DBUILD=build -DVERSION=x.y.z -P check_packages.cmake
# Absolute paths: a relative pattern makes file(GLOB RELATIVE) match nothing.
get_filename_component(DIST "${DIST}" ABSOLUTE)
get_filename_component(BUILD "${BUILD}" ABSOLUTE)
set(failures "")
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

# --- the Debian package ---
set(deb ${DIST}/quelt_${VERSION}_amd64.deb)
execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read ${deb}")
endif()
# Every file with its mode: programs executable, everything else read-only.
set(expected_files
  "-rwxr-xr-x ./usr/bin/quelt-render"
  "-rw-r--r-- ./usr/lib/vst/Quelt.so"
  "-rw-r--r-- ./usr/lib/clap/Quelt.clap"
  "-rw-r--r-- ./usr/lib/lv2/Quelt.lv2/manifest.ttl"
  "-rw-r--r-- ./usr/lib/lv2/Quelt.lv2/quelt.ttl"
  "-rw-r--r-- ./usr/lib/lv2/Quelt.lv2/presets.ttl"
  "-rw-r--r-- ./usr/lib/lv2/Quelt.lv2/quelt_dsp.so"
  "-rw-r--r-- ./usr/lib/lv2/Quelt.lv2/quelt_ui.so"
  "-rw-r--r-- ./usr/share/man/man1/quelt-render.1.gz"
  "-rw-r--r-- ./usr/share/doc/quelt/copyright"
  "-rw-r--r-- ./usr/share/doc/quelt/changelog.gz"
  "-rw-r--r-- ./usr/share/lintian/overrides/quelt")
string(REGEX MATCHALL "\n?[-dl][rwx-]+ root/root +[0-9]+ [0-9-]+ [0-9:]+ [^\n]+" entries "${listing}")
set(files "")
foreach(entry IN LISTS entries)
  string(STRIP "${entry}" entry)
  string(REGEX REPLACE "^([-dl][rwx-]+) root/root +[0-9]+ [0-9-]+ [0-9:]+ (.*)$" "\\1 \\2" entry "${entry}")
  if(NOT entry MATCHES "^d")
    list(APPEND files "${entry}")
  elseif(NOT entry MATCHES "^drwxr-xr-x ")
    fail("directory mode: ${entry}")
  endif()
endforeach()
list(SORT files)
list(SORT expected_files)
if(NOT files STREQUAL expected_files)
  fail("the package holds [${files}], expected [${expected_files}]")
endif()

execute_process(COMMAND dpkg-deb -f ${deb} Package Version Architecture Depends Recommends OUTPUT_VARIABLE fields)
foreach(field "Package: quelt" "Version: ${VERSION}" "Architecture: amd64" "Depends: [^\n]*libc6 \\(>= "
              "Depends: [^\n]*libsndfile1 \\(>= " "Recommends: libx11-6")
  if(NOT fields MATCHES "${field}")
    fail("the package's fields lack '${field}':\n${fields}")
  endif()
endforeach()

execute_process(COMMAND lintian --fail-on error,warning ${deb} OUTPUT_VARIABLE lint ERROR_VARIABLE lint_err RESULT_VARIABLE rc)
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]+" lint_lines "${lint}")
if(NOT rc EQUAL 0 OR lint_lines)
  fail("lintian: ${lint}${lint_err}")
endif()
message(STATUS "${deb}: ${files}; lintian: no errors, no warnings")

# The LV2 bundle's version is the package's.
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" parts "${VERSION}")
set(minor ${CMAKE_MATCH_2})
set(micro ${CMAKE_MATCH_3})
set(unpacked ${BUILD}/package-check)
file(REMOVE_RECURSE ${unpacked})
execute_process(COMMAND dpkg-deb -x ${deb} ${unpacked})
file(READ ${unpacked}/usr/lib/lv2/Quelt.lv2/quelt.ttl ttl)
if(NOT ttl MATCHES "lv2:minorVersion ${minor} ;" OR NOT ttl MATCHES "lv2:microVersion ${micro} ;")
  fail("the LV2 bundle is not version ${VERSION}")
endif()
execute_process(COMMAND ${unpacked}/usr/bin/quelt-render --version OUTPUT_VARIABLE render_version)
if(NOT render_version MATCHES "^quelt-render ${VERSION}\n")
  fail("quelt-render --version says '${render_version}'")
endif()

# --- the Windows zips ---
foreach(arch x64 x86)
  if(arch STREQUAL "x64")
    set(tree ${BUILD}/win64)
    set(objdump x86_64-w64-mingw32-objdump)
  else()
    set(tree ${BUILD}/win32)
    set(objdump i686-w64-mingw32-objdump)
  endif()
  set(name Quelt-${VERSION}-windows-${arch})
  set(zip ${DIST}/${name}.zip)
  set(out ${unpacked}/${arch})
  file(ARCHIVE_EXTRACT INPUT ${zip} DESTINATION ${out})
  file(GLOB_RECURSE members RELATIVE ${out} ${out}/*)
  list(SORT members)
  set(expected ${name}/LICENSE.txt ${name}/Quelt.clap ${name}/Quelt.dll ${name}/README.txt ${name}/quelt-render.exe)
  if(NOT members STREQUAL expected)
    fail("${zip} holds [${members}], expected [${expected}]")
  endif()
  foreach(binary Quelt.dll Quelt.clap quelt-render.exe)
    file(SHA256 ${out}/${name}/${binary} shipped)
    file(SHA256 ${tree}/${binary} tested)
    if(NOT shipped STREQUAL tested)
      fail("${zip}'s ${binary} is not the one the Windows suites ran (${tree}/${binary})")
    endif()
    execute_process(COMMAND ${objdump} -t ${out}/${name}/${binary} OUTPUT_VARIABLE symbols)
    if(symbols MATCHES "\\[ *[0-9]+\\]\\(sec")
      fail("${zip}'s ${binary} is not stripped")
    endif()
  endforeach()
  foreach(plugin Quelt.dll Quelt.clap)
    file(SIZE ${out}/${name}/${plugin} dll_size)
    if(dll_size GREATER 307200)
      fail("${zip}'s ${plugin} is ${dll_size} bytes, more than 300 KB")
    endif()
  endforeach()
  file(READ ${out}/${name}/README.txt readme)
  if(NOT readme MATCHES "^Quelt ${VERSION} for Windows")
    fail("${zip}'s README.txt is not for version ${VERSION}")
  endif()
  message(STATUS "${zip}: ${members}")
endforeach()

# --- the checksums ---
execute_process(COMMAND sha256sum --check SHA256SUMS WORKING_DIRECTORY ${DIST} OUTPUT_VARIABLE sums RESULT_VARIABLE rc)
string(REGEX MATCHALL ": OK" oks "${sums}")
list(LENGTH oks ok_count)
if(NOT rc EQUAL 0 OR NOT ok_count EQUAL 3)
  fail("SHA256SUMS: ${sums}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "the packages are not right:\n  ${text}")
endif()
message(STATUS "the packages are right")
