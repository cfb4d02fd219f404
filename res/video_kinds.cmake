# Reads res/video_kinds.json, the one list of the video kinds and of where
# their stills go: the program's video discovery (a generated header) and the
# TV page's script (filled in when the server directory is laid out) both
# come from it. The still of <dir>/<stem>.<ext> is
# <stillFolder>/<dir>/<stem><stillExtension>: only the last extension goes;
# videos of one folder that share a stem keep their whole names instead
# (thumbs/still_names.h).
#
# read_video_kinds(<json file>) sets, in the caller's scope:
#   VIDEO_EXTENSIONS       the extensions, lower case with their dot
#   VIDEO_STILL_FOLDER     the folder of the stills below the shared folder
#   VIDEO_STILL_EXTENSION  what replaces a video's extension in its still's name
#   VIDEO_KINDS_JS         all of it as one line of JSON, for the page
# Names are checked to hold only what needs no quoting in C++, JSON, a
# regular expression or an address.
function(_video_kinds_list json key pattern out)
  string(JSON count LENGTH "${json}" ${key})
  math(EXPR last "${count} - 1")
  set(values "")
  foreach(index RANGE ${last})
    string(JSON value GET "${json}" ${key} ${index})
    if(NOT value MATCHES "${pattern}")
      message(FATAL_ERROR "video_kinds.json: ${key} holds \"${value}\", not ${pattern}")
    endif()
    list(APPEND values ${value})
  endforeach()
  set(${out} ${values} PARENT_SCOPE)
endfunction()

function(_video_kinds_name json key pattern out)
  string(JSON value GET "${json}" ${key})
  if(NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "video_kinds.json: ${key} is \"${value}\", not ${pattern}")
  endif()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(read_video_kinds file)
  file(READ ${file} json)
  set(extension "^\\.[a-z0-9]+$")
  _video_kinds_list("${json}" videoExtensions "${extension}" videos)
  _video_kinds_name("${json}" stillFolder "^[A-Za-z0-9_]+$" still_folder)
  _video_kinds_name("${json}" stillExtension "${extension}" still_extension)

  list(JOIN videos "\",\"" videos_js)
  set(VIDEO_KINDS_JS "{\"videoExtensions\":[\"${videos_js}\"],\
\"stillFolder\":\"${still_folder}\",\"stillExtension\":\"${still_extension}\"}" PARENT_SCOPE)
  set(VIDEO_EXTENSIONS ${videos} PARENT_SCOPE)
  set(VIDEO_STILL_FOLDER ${still_folder} PARENT_SCOPE)
  set(VIDEO_STILL_EXTENSION ${still_extension} PARENT_SCOPE)
endfunction()
