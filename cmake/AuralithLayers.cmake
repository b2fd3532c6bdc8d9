# Each layer of the program is one library whose headers are reachable only through that library:
# its include folder in the build tree holds a link to the layer's own source folder and nothing
# else. Code that includes a layer it does not link to then fails to compile, instead of finding
# the header through a shared root. Which layer may use which is checked by the layering test.
#
#   auralith_layer_includes(TARGET FOLDER)   FOLDER relative to the source root, e.g. job/console
function(auralith_layer_includes target folder)
  set(root "${PROJECT_BINARY_DIR}/layers/${target}")
  get_filename_component(parent "${root}/${folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  target_include_directories(${target} PUBLIC "${root}")
endfunction()
