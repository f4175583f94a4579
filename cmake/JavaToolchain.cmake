# Locates the host JDK: javac for the Java sources and their JNI headers, java and the JUnit
# console launcher for the tests, and the JDK's jni.h. A cross build for Windows uses the same
# host JDK; only jni_md.h differs, and the project ships the Windows one.
find_program(JAVAC_EXECUTABLE javac REQUIRED)
find_program(JAVA_EXECUTABLE java REQUIRED)
find_program(JAR_EXECUTABLE jar REQUIRED)
# Debian's picocli and gson, which the query tool (wmiq) uses; the library itself needs neither.
# Their jars carry no module names: the module names come from the file names. A cross build
# looks for them on the host too, not in the target's root.
find_file(PICOCLI_JAR picocli.jar PATHS /usr/share/java REQUIRED NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_file(GSON_JAR gson.jar PATHS /usr/share/java REQUIRED NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
file(REAL_PATH "${JAVAC_EXECUTABLE}" _javac_real)
get_filename_component(_jdk_bin "${_javac_real}" DIRECTORY)
get_filename_component(JDK_HOME "${_jdk_bin}" DIRECTORY)
set(JDK_INCLUDE_DIR "${JDK_HOME}/include")
if(NOT EXISTS "${JDK_INCLUDE_DIR}/jni.h")
  message(FATAL_ERROR "jni.h not found under ${JDK_INCLUDE_DIR}")
endif()

add_library(jni_headers INTERFACE)
if(WIN32)
  target_include_directories(jni_headers SYSTEM INTERFACE
    ${PROJECT_SOURCE_DIR}/cmake/windows-jni ${JDK_INCLUDE_DIR})
else()
  target_include_directories(jni_headers SYSTEM INTERFACE
    ${JDK_INCLUDE_DIR} ${JDK_INCLUDE_DIR}/linux)
endif()
