# cmake -DTEMPLATE=<shipped_mof.cpp.in> -DMOF_DIR=<mof> -DOUTPUT=<shipped_mof.cpp> -P embed_mof.cmake
# Writes the template with @PAL_MOF_<NAME>@ replaced by the text of <MOF_DIR>/<name>.mof, for
# every MOF file there.
file(GLOB mof_files ${MOF_DIR}/*.mof)
foreach(mof_file IN LISTS mof_files)
  get_filename_component(name ${mof_file} NAME_WE)
  string(TOUPPER ${name} name)
  file(READ ${mof_file} PAL_MOF_${name})
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
# configure_file leaves an unchanged file as it was; the build wants it newer than the MOF files.
file(TOUCH ${OUTPUT})
