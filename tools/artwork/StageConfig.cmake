# Stages the configuration archive's folder: the sources of assets/config plus the banners in
# every language folder (a folder holding a text.ini).
#   cmake -DSOURCE=<assets/config> -DBANNERS=<folder of pr_*.png> -DDEST=<stage> -P StageConfig.cmake
foreach(var SOURCE BANNERS DEST)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "StageConfig: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${DEST})
file(COPY ${SOURCE}/ DESTINATION ${DEST} PATTERN README.md EXCLUDE)

file(GLOB banners ${BANNERS}/pr_*.png)
list(LENGTH banners bannerCount)
if(NOT bannerCount EQUAL 5)
  message(FATAL_ERROR "StageConfig: expected 5 banners in ${BANNERS}, found ${bannerCount}")
endif()

file(GLOB entries LIST_DIRECTORIES true ${DEST}/*)
foreach(entry ${entries})
  if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/text.ini)
    file(COPY ${banners} DESTINATION ${entry})
  endif()
endforeach()
