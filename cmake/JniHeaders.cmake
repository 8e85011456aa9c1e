# The JNI headers without a JVM, for builds whose programs never start one: cross builds and the
# device build. JNI_INCLUDE_DIRS as FindJNI sets it. The NDK's sysroot has jni.h; elsewhere the
# host JDK's headers serve, since they depend on the operating system only (jni_md.h picks jlong
# by the target's word size).
set(jni_hints)
foreach(home $ENV{JAVA_HOME} ${JAVA_HOME} /usr/lib/jvm/default-java)
  list(APPEND jni_hints ${home}/include)
endforeach()
file(GLOB jdk_homes LIST_DIRECTORIES true /usr/lib/jvm/java-*)
foreach(home ${jdk_homes})
  list(APPEND jni_hints ${home}/include)
endforeach()
# The host JDK lies outside a cross toolchain's root, hence BOTH.
find_path(JNI_INCLUDE_DIR jni.h HINTS ${jni_hints} CMAKE_FIND_ROOT_PATH_BOTH REQUIRED)
find_path(JNI_MD_INCLUDE_DIR jni_md.h HINTS ${JNI_INCLUDE_DIR} ${JNI_INCLUDE_DIR}/linux
          CMAKE_FIND_ROOT_PATH_BOTH REQUIRED)
set(JNI_INCLUDE_DIRS ${JNI_INCLUDE_DIR} ${JNI_MD_INCLUDE_DIR})
list(REMOVE_DUPLICATES JNI_INCLUDE_DIRS)
